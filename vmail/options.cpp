// The library-wide options.
#include "vmail/options.h"

namespace vmail {

Options& options()
{
    static Options values;
    return values;
}

}  // namespace vmail
