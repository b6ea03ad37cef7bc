// Windows implementation of the helper program beside ours (child_process.h). Each input is a
// named pipe of this process in non-blocking mode: the first is opened here as the child's
// standard input, the second the child opens by its name (ChildInputName). Writes take what the
// pipe's buffer holds now; a pipe the child has not opened yet takes nothing. The child runs in a
// process group of its own without a console window, so that Ctrl+C reaches only the program;
// its standard error goes to a temporary file, deleted when closed, for the failure's last line.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#undef CreateWindow  // a macro of windows.h; the platform's CreateWindow is its own

#include <string>
#include <vector>

#include "platform/child_process.h"
#include "platform/windows_text.h"

namespace qx {

namespace {

constexpr DWORD kPipeBufferBytes = 256u << 10;  // a picture of 320 x 200 pixels
constexpr DWORD kWaitStepMilliseconds = 2;  // how often a full pipe is looked at again
constexpr size_t kQuotedErrorLength = 200;  // characters of the child's last error line

HANDLE AsHandle(int value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
int AsValue(HANDLE handle) { return static_cast<int>(reinterpret_cast<intptr_t>(handle)); }

void CloseValue(int& value) {
    if (value != -1) CloseHandle(AsHandle(value));
    value = -1;
}

std::string SystemMessage(DWORD error) {
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, text, sizeof text, nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == '.' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : message;
}

// One word of a command line as the C runtime's argument splitting reads it back.
void AppendQuoted(std::wstring& line, const std::wstring& word) {
    if (!line.empty()) line += L' ';
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += word;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');  // before the closing quote
    line += L'"';
}

// The last non-empty line the child wrote on standard error, at most kQuotedErrorLength long.
std::string LastErrorLine(int file) {
    if (file == -1) return std::string();
    std::string text;
    char block[4096];
    DWORD n = 0;
    OVERLAPPED at{};
    for (;;) {
        at.Offset = static_cast<DWORD>(text.size());
        if (!ReadFile(AsHandle(file), block, sizeof block, &n, &at) || n == 0) break;
        text.append(block, n);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t start = text.find_last_of("\r\n");
    std::string line = start == std::string::npos ? text : text.substr(start + 1);
    if (line.size() > kQuotedErrorLength) line = line.substr(0, kQuotedErrorLength) + "...";
    return line;
}

unsigned pipeCounter = 0;  // a fresh name for each child's pipes

// The named pipe of this process for the next child's input.
std::string PipeName(uint32_t input) {
    return "\\\\.\\pipe\\marrowtide-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(pipeCounter) + "-" + std::to_string(input);
}

}  // namespace

std::string ChildInputName(uint32_t input) { return input == 0 ? "pipe:0" : PipeName(input); }

ChildStart StartChildProcess(const char* const* arguments, uint32_t inputCount, ChildProcess& child,
                             std::string& failure) {
    child = ChildProcess{};
    if (arguments == nullptr || arguments[0] == nullptr || inputCount == 0 ||
        inputCount > kMaxChildInputs) {
        failure = "bad input count";
        return ChildStart::Failed;
    }
    const std::wstring program = os::WideFromUtf8(arguments[0]);
    wchar_t found[MAX_PATH];
    if (SearchPathW(nullptr, program.c_str(), L".exe", MAX_PATH, found, nullptr) == 0)
        return ChildStart::NotFound;

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = INVALID_HANDLE_VALUE;
    bool ok = true;
    for (uint32_t i = 0; i < inputCount && ok; ++i) {
        const std::wstring name = os::WideFromUtf8(PipeName(i).c_str());
        HANDLE pipe = CreateNamedPipeW(
            name.c_str(), PIPE_ACCESS_OUTBOUND | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_BYTE | PIPE_NOWAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBufferBytes, 0, 0,
            nullptr);
        ok = pipe != INVALID_HANDLE_VALUE;
        if (!ok) break;
        child.inputs[i] = AsValue(pipe);
        if (i == 0) {
            // The child's standard input: the pipe's other end, opened here and inherited.
            childInput = CreateFileW(name.c_str(), GENERIC_READ, 0, &inherited, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
            ok = childInput != INVALID_HANDLE_VALUE;
            if (ok) ConnectNamedPipe(pipe, nullptr);
        }
    }
    if (!ok) {
        failure = "no pipe: " + SystemMessage(GetLastError());
        if (childInput != INVALID_HANDLE_VALUE) CloseHandle(childInput);
        for (int& input : child.inputs) CloseValue(input);
        return ChildStart::Failed;
    }

    wchar_t folder[MAX_PATH], errorName[MAX_PATH];
    HANDLE errorFile = INVALID_HANDLE_VALUE;
    if (GetTempPathW(MAX_PATH, folder) != 0 &&
        GetTempFileNameW(folder, L"qxe", 0, errorName) != 0) {
        errorFile = CreateFileW(errorName, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherited,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                nullptr);
    }
    HANDLE nothing = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inherited, OPEN_EXISTING, 0, nullptr);

    std::wstring line;
    for (const char* const* word = arguments; *word != nullptr; ++word)
        AppendQuoted(line, os::WideFromUtf8(*word));
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = childInput;
    start.hStdOutput = nothing;
    start.hStdError = errorFile != INVALID_HANDLE_VALUE ? errorFile : nothing;
    PROCESS_INFORMATION process{};
    std::vector<wchar_t> mutableLine(line.begin(), line.end());
    mutableLine.push_back(L'\0');
    const BOOL started = CreateProcessW(found, mutableLine.data(), nullptr, nullptr, TRUE,
                                       CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP, nullptr,
                                       nullptr, &start, &process);
    const DWORD error = GetLastError();
    CloseHandle(childInput);
    if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
    if (!started) {
        failure = SystemMessage(error);
        if (errorFile != INVALID_HANDLE_VALUE) CloseHandle(errorFile);
        for (int& input : child.inputs) CloseValue(input);
        return ChildStart::Failed;
    }
    CloseHandle(process.hThread);
    child.processId = AsValue(process.hProcess);
    child.errorOutput = errorFile != INVALID_HANDLE_VALUE ? AsValue(errorFile) : -1;
    ++pipeCounter;
    return ChildStart::Started;
}

bool WriteChildInputs(ChildProcess& child, std::span<ChildInputBuffer> buffers,
                      std::string& failure) {
    for (ChildInputBuffer& buffer : buffers) {
        if (buffer.written >= buffer.size) continue;
        if (buffer.input >= kMaxChildInputs || child.inputs[buffer.input] == -1) {
            failure = "its input is closed";
            return false;
        }
        const HANDLE pipe = AsHandle(child.inputs[buffer.input]);
        ConnectNamedPipe(pipe, nullptr);  // non-blocking: notes a reader that has come
        const size_t left = buffer.size - buffer.written;
        const DWORD asked = left > kPipeBufferBytes ? kPipeBufferBytes : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(pipe, buffer.data + buffer.written, asked, &written, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_LISTENING) continue;  // not opened by the child yet
            failure = "it stopped reading its input: " + SystemMessage(error);
            return false;
        }
        buffer.written += written;
    }
    return true;
}

bool WaitForChildInputs(const ChildProcess& child, std::span<const ChildInputBuffer>,
                        std::string& failure) {
    if (child.processId == -1) {
        failure = "it is not running";
        return false;
    }
    // A non-blocking pipe signals nothing when room appears: look again shortly, or as soon as
    // the child ends (the next write then reports it).
    WaitForSingleObject(AsHandle(child.processId), kWaitStepMilliseconds);
    return true;
}

void CloseChildInput(ChildProcess& child, uint32_t input) {
    // What the pipe holds is still read by the child; then it sees the end.
    if (input < kMaxChildInputs) CloseValue(child.inputs[input]);
}

bool FinishChildProcess(ChildProcess& child, std::string& failure) {
    if (child.processId == -1) {
        failure = "it is not running";
        return false;
    }
    for (int& input : child.inputs) CloseValue(input);
    const HANDLE process = AsHandle(child.processId);
    DWORD status = 1;
    bool ok = false;
    if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process, &status)) {
        failure = "waiting for it failed: " + SystemMessage(GetLastError());
    } else if (status == 0) {
        ok = true;
    } else {
        failure = "it exited with status " + std::to_string(status);
        const std::string said = LastErrorLine(child.errorOutput);
        if (!said.empty()) failure += ": " + said;
    }
    CloseValue(child.processId);
    CloseValue(child.errorOutput);
    return ok;
}

void AbandonChildProcess(ChildProcess& child) {
    if (child.processId == -1) return;
    for (int& input : child.inputs) CloseValue(input);
    TerminateProcess(AsHandle(child.processId), 1);
    WaitForSingleObject(AsHandle(child.processId), INFINITE);
    CloseValue(child.processId);
    CloseValue(child.errorOutput);
}

}  // namespace qx
