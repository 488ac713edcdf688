// Port_Env: the platform family.
#include <Port/Env.h>

bool Port_Env::IsNt()
{
#if defined(_WIN32)
    return true;
#else
    return false;
#endif
}
