// kalvendorix-wake: wakes a sleeping computer for the next bell, and can do
// nothing else. It holds one timer on the kernel's alarm clock
// (CLOCK_REALTIME_ALARM), which programs the real-time clock's wake alarm
// when the machine suspends. Making such a timer takes CAP_WAKE_ALARM, which
// the package gives this file alone; the capability is dropped as soon as the
// timer exists. The program writes one line at a time on the standard input:
// an instant in seconds since the epoch (UTC), or "off". The helper answers
// each line with "armed", "off" or "refused", and ends with its input (the
// program ended or crashed). It opens no file and parses nothing else.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

// Every capability but CAP_WAKE_ALARM goes; without it, all go.
void keepOnlyWakeAlarm()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    data[CAP_TO_INDEX(CAP_WAKE_ALARM)].permitted = CAP_TO_MASK(CAP_WAKE_ALARM);
    data[CAP_TO_INDEX(CAP_WAKE_ALARM)].effective = CAP_TO_MASK(CAP_WAKE_ALARM);
    if (::syscall(SYS_capset, &header, data) != 0) {
        __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3]{};
        ::syscall(SYS_capset, &header, none);
    }
}

// "off", or an instant of up to 18 digits; nothing else.
bool parse(const char* line, itimerspec& when)
{
    when = {};
    if (std::strcmp(line, "off") == 0) {
        return true;
    }
    const std::size_t digits = std::strspn(line, "0123456789");
    if (digits == 0 || digits > 18 || line[digits] != '\0') {
        return false;
    }
    long long seconds = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        seconds = seconds * 10 + (line[i] - '0');
    }
    when.it_value.tv_sec = static_cast<time_t>(seconds);
    return seconds > 0;
}

} // namespace

int main()
{
    // Nothing inherited beyond the three standard streams, nothing gained by exec.
    ::close_range(3, ~0U, 0);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    // CAP_WAKE_ALARM alone: the kernel asks for it at every setting of the timer.
    keepOnlyWakeAlarm();
    const int timer = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    const int error = errno;
    if (timer < 0) {
        std::fprintf(stderr, "%s\n", std::strerror(error));
        return 3;
    }
    std::puts("ready");
    std::fflush(stdout);
    // Read a byte at a time: a line is what ends in a newline, whatever it
    // holds (a NUL byte, too many characters), and each line gets its answer.
    char line[32] = {};
    std::size_t length = 0;
    bool bad = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        if (c != '\n') {
            bad = bad || c == '\0' || length + 1 >= sizeof line;
            if (!bad) {
                line[length++] = static_cast<char>(c);
            }
            continue;
        }
        line[length] = '\0';
        itimerspec when{};
        if (bad || !parse(line, when)) {
            std::puts("refused");
        } else if (::timerfd_settime(timer, TFD_TIMER_ABSTIME, &when, nullptr) != 0) {
            std::printf("refused %s\n", std::strerror(errno));
        } else {
            std::puts(when.it_value.tv_sec == 0 ? "off" : "armed");
        }
        std::fflush(stdout);
        length = 0;
        bad = false;
    }
    return 0;
}
