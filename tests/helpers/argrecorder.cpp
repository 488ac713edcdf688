// kel_argrecorder: a stand-in for a viewer or opener that records the arguments it receives, byte for byte.
//
// Environment:
//   KEL_ARGRECORDER_OUT       file the arguments are appended to, each as "<length>:<bytes>\n"
//   KEL_ARGRECORDER_SLEEP_MS  wait this long before recording (a program that keeps running)
//   KEL_ARGRECORDER_EXIT      exit code, or "abort" to end by a signal
//   KEL_ARGRECORDER_ENV       a variable whose "NAME=value" is recorded after the arguments ("NAME" when unset)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr char OutVariable[] = "KEL_ARGRECORDER_OUT";
constexpr char SleepVariable[] = "KEL_ARGRECORDER_SLEEP_MS";
constexpr char ExitVariable[] = "KEL_ARGRECORDER_EXIT";
constexpr char EnvVariable[] = "KEL_ARGRECORDER_ENV";
constexpr char AbortSetting[] = "abort";
// Told apart from any code a test asks for: the record could not be written.
constexpr int RecordFailedCode = 125;

void appendRecord(std::string &records, const std::string &text)
{
    records += std::to_string(text.size());
    records += ':';
    records += text;
    records += '\n';
}

std::string recordsOf(int argc, char **argv)
{
    std::string records;
    for (int i = 1; i < argc; ++i)
        appendRecord(records, argv[i]);
    if (const char *name = std::getenv(EnvVariable)) {
        const char *value = std::getenv(name);
        appendRecord(records, value ? std::string(name) + '=' + value : std::string(name));
    }
    return records;
}

// One write per run, so a reader polling the file sees whole runs as they land.
bool appendRecords(const char *path, const std::string &records)
{
    std::FILE *file = std::fopen(path, "ab");
    if (!file)
        return false;
    std::setvbuf(file, nullptr, _IOFBF, records.size() + 1);
    const bool written = std::fwrite(records.data(), 1, records.size(), file) == records.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int main(int argc, char **argv)
{
    if (const char *sleepMs = std::getenv(SleepVariable))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(sleepMs)));
    const char *out = std::getenv(OutVariable);
    if (out && *out && !appendRecords(out, recordsOf(argc, argv)))
        return RecordFailedCode;
    const char *exitSetting = std::getenv(ExitVariable);
    if (exitSetting && std::strcmp(exitSetting, AbortSetting) == 0)
        std::abort();
    return exitSetting ? std::atoi(exitSetting) : 0;
}
