// The shared log of the test fakes.
#include <cstdio>
#include <ctime>

#include "fakes.h"
#include "gl_log.h"

FakeLog fake_log;

void fake_log_reset() { fake_log = FakeLog(); }

void fake_record(
    const char* name, std::initializer_list<double> args, const std::string& text, const void* pointer)
{
    if (fake_log.recording)
        fake_log.calls.push_back(FakeCall { name, std::vector<double>(args), text, pointer });
}

void fake_calls_clear() { fake_log.calls.clear(); }

std::string fake_call_text(const FakeCall& call)
{
    return gl_call_line(call.name, call.args.data(), call.args.size(), call.text);
}

std::string fake_calls_text()
{
    std::string text;
    for (const FakeCall& call : fake_log.calls)
        text += fake_call_text(call) + "\n";
    return text;
}

std::vector<FakeCall> fake_calls_named(const std::string& name)
{
    std::vector<FakeCall> found;
    for (const FakeCall& call : fake_log.calls)
        if (call.name == name)
            found.push_back(call);
    return found;
}

std::vector<std::string> call_lines(size_t first, size_t count)
{
    std::vector<std::string> lines;
    for (size_t i = first; i < fake_log.calls.size() && lines.size() < count; i++)
        lines.push_back(fake_call_text(fake_log.calls[i]));
    return lines;
}

void print_log_at_exit() { fputs(fake_calls_text().c_str(), stderr); }

double now_ms()
{
    timespec t = {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1000.0 + (double)t.tv_nsec / 1e6;
}
