// The system's accessibility library, which the program loads only when a reader first asks.
#pragma once

#include <windows.h>
#include <oleacc.h>

// Our own copy: with the static link, the oleacc library's IID_IAccessible names the DLL's
// import entry, not the GUID.
inline constexpr IID kIidIAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The system's accessibility functions, loaded from the system folder when a reader first asks (never
// a DLL of that name beside the program); null when any of them is missing.
struct OleaccFunctions {
    decltype(&LresultFromObject) lresultFromObject;
    decltype(&CreateStdAccessibleObject) createStdAccessibleObject;
    decltype(&AccessibleObjectFromWindow) accessibleObjectFromWindow;
    decltype(&SysAllocString) sysAllocString;  // oleaut32, which oleacc loads anyway
};
const OleaccFunctions* Oleacc();

// Whether WM_GETOBJECT's lParam asks for the client object. Compared as 32-bit values: the id may
// arrive sign-extended or not (from another process under Wine it does not), and a miss would
// leave readers with the system's object.
bool AsksForClientObject(LPARAM lParam);
