// The library-wide options.
#include "vmail/results.h"

namespace vmail {

Options& options()
{
    static Options values;
    return values;
}

}  // namespace vmail
