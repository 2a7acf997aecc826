/// \file
/// The telephone types that decorate TEL lines: PREF, VOICE, FAX, MSG, CELL,
/// PAGER, BBS, MODEM, CAR, ISDN, VIDEO, VOIP, WORK, HOME, each on or off.
/// A new set has only WORK on.
#ifndef KWPHONE_TYPE_H
#define KWPHONE_TYPE_H

#include "KwvCard_export.h"

namespace phone_type {

/// The telephone type set: a fixed, ordered table of the fourteen TEL types
/// with an on/off flag each.
class KWVCARD_API KwPhone_Type {
 public:
  /// Only WORK on.
  KwPhone_Type();

  /// Turns every type off, then WORK on.
  void QEL_SetDefault();

  /// Turns on the type named `type`, matched without regard to ASCII case but
  /// to its whole length ("cell" matches CELL; "CELLULAR" and "CEL" match
  /// nothing). A name not in the table, an empty name or a null pointer
  /// changes nothing. `type` is only read. Allocates nothing.
  void QEL_SetType(char* type);

  /// Turns off the type named `type`; matching as for QEL_SetType.
  void QEL_ResetType(char* type);

  /// Appends ";" and the name of every type that is on, in table order (PREF,
  /// VOICE, FAX, MSG, CELL, PAGER, BBS, MODEM, CAR, ISDN, VIDEO, VOIP, WORK,
  /// HOME), to the NUL-terminated `line`. Adds at most 70 characters, nothing
  /// when every type is off; `line` must have room. A null `line` is ignored.
  void QEL_TypeListGenerate(char* line);

 private:
  unsigned char flags[14];
  const char* names[14];
};

}  // namespace phone_type

#endif
