#include "app/command_pipe.h"

#include "base/handles.h"
#include "catalogue/catalogue.h"
#include "ui/ids.h"

#include <sddl.h>

namespace {

// How long one side waits for the other to write or read a byte.
constexpr DWORD kPeerMs = 2000;
constexpr char kAccepted = 1;

struct CommandPipe {
    UniqueHandle pipe;
    UniqueHandle stop;
    UniqueHandle thread;
    HWND window = nullptr;
    ProcessRights ours;
};
CommandPipe commandPipe;

std::wstring PipeName() {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return CommandPipeName(session);
}

// Runs an overlapped operation to its end, given what the call that began it returned. False when it failed,
// or took longer than `timeoutMs`, or `stop` was set: it is then cancelled.
bool Complete(HANDLE pipe, OVERLAPPED& overlapped, BOOL begun, DWORD timeoutMs, HANDLE stop = nullptr,
              DWORD* transferred = nullptr) {
    if (!begun && GetLastError() != ERROR_IO_PENDING) return false;
    const HANDLE events[] = {overlapped.hEvent, stop};
    DWORD done = 0;
    if (WaitForMultipleObjects(stop ? 2 : 1, events, FALSE, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &overlapped);
        GetOverlappedResult(pipe, &overlapped, &done, TRUE);
        return false;
    }
    if (!GetOverlappedResult(pipe, &overlapped, &done, FALSE)) return false;
    if (transferred) *transferred = done;
    return true;
}

// One connected client: its command is taken only from a program the rules accept, and answered once it is on
// its way to the window.
void ServeClient(HANDLE pipe, OVERLAPPED& overlapped) {
    ULONG clientId = 0;
    if (!GetNamedPipeClientProcessId(pipe, &clientId) ||
        !AcceptsCommandFrom(commandPipe.ours, RightsOfProcessId(clientId)))
        return;
    char received = 0;
    DWORD got = 0;
    if (!Complete(pipe, overlapped, ReadFile(pipe, &received, 1, nullptr, &overlapped), kPeerMs,
                  commandPipe.stop.get(), &got) ||
        got != 1)
        return;
    const auto command = static_cast<StartCommand>(received);
    if (!IsForRunningInstance(command) ||
        !PostMessageW(commandPipe.window, WM_START_COMMAND, static_cast<WPARAM>(command), 0))
        return;
    if (!Complete(pipe, overlapped, WriteFile(pipe, &kAccepted, 1, nullptr, &overlapped), kPeerMs,
                  commandPipe.stop.get()))
        return;
    // Until the client has read the answer and let go: a disconnect would drop an answer not yet read.
    Complete(pipe, overlapped, ReadFile(pipe, &received, 1, nullptr, &overlapped), kPeerMs,
             commandPipe.stop.get());
}

DWORD WINAPI ServeCommands(void*) {
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) return 0;
    HANDLE pipe = commandPipe.pipe.get();
    HANDLE stop = commandPipe.stop.get();
    while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT) {
        OVERLAPPED overlapped = {};
        overlapped.hEvent = event.get();
        ResetEvent(event.get());
        const BOOL begun = ConnectNamedPipe(pipe, &overlapped);
        const DWORD error = begun ? ERROR_SUCCESS : GetLastError();
        // A client that came before the call is connected already; one that came and went leaves only the
        // disconnect to do.
        bool connected = begun || error == ERROR_PIPE_CONNECTED;
        if (error == ERROR_IO_PENDING) {
            connected = Complete(pipe, overlapped, TRUE, INFINITE, stop);
        } else if (!connected && error != ERROR_NO_DATA) {
            return 0;
        }
        if (connected) ServeClient(pipe, overlapped);
        DisconnectNamedPipe(pipe);
    }
    return 0;
}

} // namespace

void StartCommandPipe(HWND window, const ProcessRights& ours) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(CommandPipeSecurity(ours.user).c_str(),
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return;
    const UniqueLocalMemory owned(descriptor);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    // The first and only instance: a program that made one of the name before is not joined.
    HANDLE pipe = CreateNamedPipeW(
        PipeName().c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 1, 1, 0,
        &attributes);
    if (pipe == INVALID_HANDLE_VALUE) return;
    commandPipe.pipe.reset(pipe);
    commandPipe.stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    commandPipe.window = window;
    commandPipe.ours = ours;
    if (commandPipe.stop)
        commandPipe.thread.reset(CreateThread(nullptr, SIZE_T{64} * 1024, ServeCommands, nullptr,
                                              STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr));
    if (!commandPipe.thread) commandPipe = {};
}

void StopCommandPipe() {
    if (!commandPipe.thread) return;
    SetEvent(commandPipe.stop.get());
    WaitForSingleObject(commandPipe.thread.get(), INFINITE);
    commandPipe = {};
}

std::wstring HandOverThroughPipe(StartCommand command, DWORD processId) {
    constexpr wchar_t refused[] = L"它以更高的权限运行，不接受此程序的命令";
    const std::wstring name = PipeName();
    HANDLE opened = INVALID_HANDLE_VALUE;
    // The server may identify this program but not act as it.
    const DWORD flags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    for (int tries = 0; tries < 3 && opened == INVALID_HANDLE_VALUE; ++tries) {
        opened = CreateFileW(name.c_str(), GENERIC_READ | FILE_WRITE_DATA, 0, nullptr, OPEN_EXISTING, flags,
                             nullptr);
        // Another start is handing over its command.
        if (opened == INVALID_HANDLE_VALUE &&
            (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeW(name.c_str(), kPeerMs)))
            return refused;
    }
    if (opened == INVALID_HANDLE_VALUE) return refused;
    const UniqueHandle pipe(opened);
    // Any program may make a pipe of that name first: the command goes only to the instance that runs.
    ULONG serverId = 0;
    if (!GetNamedPipeServerProcessId(opened, &serverId) || serverId != processId) return refused;
    const UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED overlapped = {};
    overlapped.hEvent = event.get();
    const char sent = static_cast<char>(command);
    char answer = 0;
    DWORD got = 0;
    if (!event || !Complete(opened, overlapped, WriteFile(opened, &sent, 1, nullptr, &overlapped), kPeerMs) ||
        !Complete(opened, overlapped, ReadFile(opened, &answer, 1, nullptr, &overlapped), kPeerMs, nullptr,
                  &got) ||
        got != 1 || answer != kAccepted)
        return refused;
    return {};
}
