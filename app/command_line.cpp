// The shared command-line values and their one-line messages.
#include "app/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {
// Far more EGL devices than a machine has; the context's open names the real count.
constexpr long kMaxGpu = 1000;
}  // namespace

bool parseWhole(const std::string& text, long minimum, long maximum, long& value)
{
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || parsed < minimum || parsed > maximum ||
        text.find_first_not_of("-0123456789") != std::string::npos)
        return false;
    value = parsed;
    return true;
}

bool parseOutputSize(const std::string& text, int& size)
{
    long value = 0;
    if (!parseWhole(text, 1, kMaxOutputSize, value))
        return false;
    size = int(value);
    return true;
}

bool parseSizeWxH(const std::string& text, int& width, int& height)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos)
        return false;
    int w = 0, h = 0;
    if (!parseOutputSize(text.substr(0, cross), w) || !parseOutputSize(text.substr(cross + 1), h))
        return false;
    width = w;
    height = h;
    return true;
}

bool parseCount(const std::string& option, const std::string& text, long minimum, long& value, std::string& error)
{
    if (parseWhole(text, minimum, kMaxFrames, value))
        return true;
    error = option + " wants a whole number from " + std::to_string(minimum) + ", not \"" + text + "\"";
    return false;
}

bool parseFixedDt(const std::string& text, double& seconds, std::string& error)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !(value > 0.0 && value <= 1.0)) {
        error = "--fixed-dt wants seconds per frame in (0, 1], not \"" + text + "\"";
        return false;
    }
    seconds = value;
    return true;
}

bool parseGpu(const std::string& text, int& gpu, bool& list, std::string& error)
{
    if (text == "list") {
        list = true;
        return true;
    }
    long value = 0;
    if (!parseWhole(text, 0, kMaxGpu, value)) {
        error = "--gpu wants a device number from 0 or \"list\", not \"" + text + "\"";
        return false;
    }
    gpu = int(value);
    return true;
}
