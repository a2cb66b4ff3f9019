// velmor.exe's terminate handler. libstdc++'s default one prints the type of an uncaught
// exception, demangled, to stderr, which a window program does not have, and then aborts; its
// demangler alone is about a sixth of velmor.exe. This one aborts at once, which is all the
// user ever saw of the other. (The program reports its failures by return values; only the
// standard library throws, for instance when memory runs out.)
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
