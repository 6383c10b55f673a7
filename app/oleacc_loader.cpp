#include "app/oleacc_loader.h"

namespace {

template <class Function>
Function Find(HMODULE module, const char* name) {
    // Through the generic function type, which any function pointer converts to without warning.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

const OleaccFunctions* Oleacc() {
    static const OleaccFunctions functions = [] {
        OleaccFunctions found = {};
        // From the system folder only: never a DLL of that name planted beside the program.
        if (HMODULE module = LoadLibraryExW(L"oleacc.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            found.lresultFromObject = Find<decltype(found.lresultFromObject)>(module, "LresultFromObject");
            found.createStdAccessibleObject =
                Find<decltype(found.createStdAccessibleObject)>(module, "CreateStdAccessibleObject");
            found.accessibleObjectFromWindow =
                Find<decltype(found.accessibleObjectFromWindow)>(module, "AccessibleObjectFromWindow");
        }
        if (HMODULE module = LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            found.sysAllocString = Find<decltype(found.sysAllocString)>(module, "SysAllocString");
        }
        return found;
    }();
    const bool complete = functions.lresultFromObject && functions.createStdAccessibleObject &&
                          functions.accessibleObjectFromWindow && functions.sysAllocString;
    return complete ? &functions : nullptr;
}

bool AsksForClientObject(LPARAM lParam) { return static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT); }
