#include "win32/winsock_error_text.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace ostrilo::win32 {

namespace {

struct ErrorText {
    int code;
    const char* text;
};

constexpr ErrorText kWinsockErrorTexts[] = {
    {10004, "A blocking operation was interrupted"},
    {10009, "The socket handle is not valid"},
    {10013, "Permission denied: access to the socket was refused"},
    {10014, "Bad address passed to the socket"},
    {10022, "Invalid argument"},
    {10024, "Too many open sockets"},
    {10035, "The operation would block"},
    {10036, "A blocking operation is in progress"},
    {10037, "The operation is already in progress"},
    {10038, "The handle is not a socket"},
    {10039, "A destination address is required"},
    {10040, "The message is too long"},
    {10041, "Wrong protocol type for the socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on the socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by the protocol"},
    {10048, "Address already in use: another program uses this port"},
    {10049, "The requested address is not valid on this computer"},
    {10050, "The network is down"},
    {10051, "The network cannot be reached"},
    {10052, "The connection was reset by the network"},
    {10053, "The connection was aborted by this computer"},
    {10054, "The connection was reset by the peer"},
    {10055, "No buffer space available"},
    {10056, "The socket is already connected"},
    {10057, "The socket is not connected"},
    {10058, "The socket has been shut down"},
    {10060, "The connection timed out"},
    {10061, "The connection was refused"},
    {10064, "The host is down"},
    {10065, "No route to the host"},
    {10067, "Too many processes use Winsock"},
    {10091, "The network subsystem is not ready"},
    {10092, "This Winsock version is not supported"},
    {10093, "Winsock has not been initialised"},
    {10101, "The peer is shutting the connection down"},
    {11001, "Host not found"},
    {11002, "Host not found, or the name server failed; try again"},
    {11003, "A non-recoverable name server error occurred"},
    {11004, "The name is valid but has no address"},
};

std::string SystemErrorText(int errorCode) {
    char buffer[512] = {};
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(errorCode), 0, buffer, static_cast<DWORD>(sizeof buffer), nullptr);
    std::string text(buffer, std::min<std::size_t>(length, sizeof buffer));
    // The system ends its texts with a line break, which would split the log line.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

const char* BuiltInWinsockErrorText(int errorCode) {
    const auto found = std::find_if(std::begin(kWinsockErrorTexts), std::end(kWinsockErrorTexts),
                                    [errorCode](const ErrorText& entry) { return entry.code == errorCode; });
    return found == std::end(kWinsockErrorTexts) ? nullptr : found->text;
}

std::string DescribeWinsockError(int errorCode) {
    std::string text = SystemErrorText(errorCode);
    if (!text.empty()) return text;
    if (const char* builtIn = BuiltInWinsockErrorText(errorCode)) return builtIn;
    return "Error " + std::to_string(errorCode);
}

}  // namespace ostrilo::win32
