# Writes the service worker into SITE with the list of FILES it keeps and a
# cache name from their hash, so that a new build replaces the old cache.
set(all "")
foreach(file ${FILES})
  file(SHA256 ${SITE}/${file} hash)
  string(APPEND all ${hash})
endforeach()
string(SHA256 version "${all}")
string(SUBSTRING ${version} 0 16 version)
list(JOIN FILES "\", \"./" list)
file(READ ${SOURCE} text)
string(REPLACE "@VERSION@" "${version}" text "${text}")
string(REPLACE "@FILES@" "\"./\", \"./${list}\"" text "${text}")
file(WRITE ${SITE}/sw.js "${text}")
