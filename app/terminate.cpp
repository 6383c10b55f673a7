// What the C++ runtime calls when an exception escapes: the program ends, as with the runtime's own
// handler. That handler first writes the exception's demangled type to the standard error, which a
// GUI program does not have; linking it brought in the runtime's demangler and its printf, 70 KB of
// trov.exe. Defining the handler here keeps the runtime's copy out of the link.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
