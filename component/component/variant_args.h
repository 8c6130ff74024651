// The optional VARIANT* arguments of the interface. A script passes a
// variable by reference (VT_BYREF | VT_VARIANT) and a literal by value; an
// omitted argument arrives as VT_ERROR with DISP_E_PARAMNOTFOUND.
#pragma once

#include <oaidl.h>

#include <string>

namespace kb {

bool isOmitted(const VARIANT* arg);

// The argument's value as a string; "" when omitted, Empty or Null.
std::wstring optionalStringArg(const VARIANT* arg);

// Stores value in the caller's argument, through its reference when it has
// one; an omitted argument is left alone. A typed reference (VT_BYREF | VT_I2,
// say) receives the value converted to its own type.
void writeOutArg(VARIANT* arg, const VARIANT& value);

}  // namespace kb
