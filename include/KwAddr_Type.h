/// \file
/// The address types that decorate ADR lines: DOM, INTL, POSTAL, PARCEL, HOME,
/// WORK, each on or off. A new set has only WORK on.
#ifndef KWADDR_TYPE_H
#define KWADDR_TYPE_H

#include "KwvCard_export.h"

namespace addr_type {

/// The address type set: a fixed, ordered table of the six ADR types with an
/// on/off flag each.
class KWVCARD_API KwAddr_Type {
 public:
  /// Only WORK on.
  KwAddr_Type();

  /// Turns every type off, then WORK on.
  void QEL_SetDefault();

  /// Turns on the type named `type`, matched without regard to ASCII case but
  /// to its whole length ("home" and "Home" match HOME; "HOMES" and " HOME"
  /// match nothing). A name not in the table, an empty name or a null pointer
  /// changes nothing. `type` is only read. Allocates nothing.
  void QEL_SetType(char* type);

  /// Turns off the type named `type`; matching as for QEL_SetType.
  void QEL_ResetType(char* type);

  /// Appends ";" and the name of every type that is on, in table order (DOM,
  /// INTL, POSTAL, PARCEL, HOME, WORK), to the NUL-terminated `line`. Adds at
  /// most 33 characters, nothing when every type is off; `line` must have room.
  /// A null `line` is ignored.
  void QEL_TypeListGenerate(char* line);

 private:
  unsigned char flags[6];
  const char* names[6];
};

}  // namespace addr_type

#endif
