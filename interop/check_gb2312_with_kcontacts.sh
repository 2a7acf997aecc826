#!/usr/bin/env bash
# Reads the GB2312 example card (examples/write_gb2312_card) with KDE KContacts,
# the Debian vCard reader that honours CHARSET=GB2312, and checks that every
# text comes back exactly as the example gave it in UTF-8.
#
# usage: check_gb2312_with_kcontacts.sh KCONTACTS_READ CARD
set -euo pipefail
reader=$1
card=$2
diff -u "$(dirname "$0")/gb2312_card.expected" <("$reader" "$card")
echo "KContacts: every text of the GB2312 card reads back exactly"
