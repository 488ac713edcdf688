// Port_Env: the platform family, with an override for tests that exercise the other family's branch.
#include <Port/Env.h>

#include <atomic>

namespace {

constexpr int kNoOverride = -1;

std::atomic<int> s_isNtOverride{kNoOverride};

constexpr bool builtForNt()
{
#if defined(_WIN32)
    return true;
#else
    return false;
#endif
}

} // namespace

bool Port_Env::IsNt()
{
    const int forced = s_isNtOverride.load(std::memory_order_acquire);
    return forced == kNoOverride ? builtForNt() : forced != 0;
}

void Port_Env::OverrideIsNt(std::optional<bool> value)
{
    s_isNtOverride.store(value ? static_cast<int>(*value) : kNoOverride, std::memory_order_release);
}
