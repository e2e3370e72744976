// WinHTTP, synchronous: session, connection and request handles are opened for
// this one request and closed before it returns.
#include "webclient/http.hpp"

#include <windows.h>
#include <winhttp.h>

#include <string>

namespace {

constexpr DWORD kConnectTimeoutOption = 3;   // WINHTTP_OPTION_CONNECT_TIMEOUT
constexpr DWORD kSendTimeoutOption = 5;      // WINHTTP_OPTION_SEND_TIMEOUT
constexpr DWORD kReceiveTimeoutOption = 6;   // WINHTTP_OPTION_RECEIVE_TIMEOUT
// Bounds WinHttpReceiveResponse's wait for the answer's headers. Wine (and so
// Proton) ends that wait by this option alone, and its default is unlimited:
// without it a server that accepts and never answers holds the call for ever.
constexpr DWORD kReceiveResponseTimeoutOption = 7;  // WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT
constexpr DWORD kNoProxyAccess = 1;          // WINHTTP_ACCESS_TYPE_NO_PROXY
constexpr DWORD kStatusCodeAsNumber = 19 | 0x20000000;  // STATUS_CODE | FLAG_NUMBER

// Verbs, paths, host and user agent are plain ASCII.
std::wstring Widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

void SetTimeout(HINTERNET request, DWORD option, int ms) {
  if (ms <= 0) return;  // the platform's default stays
  DWORD value = static_cast<DWORD>(ms);
  WinHttpSetOption(request, option, &value, sizeof(value));
}

// The status of the answer received on the request, or nothing.
std::optional<int> QueryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD length = sizeof(status);
  if (!WinHttpQueryHeaders(request, kStatusCodeAsNumber, WINHTTP_HEADER_NAME_BY_INDEX, &status,
                           &length, WINHTTP_NO_HEADER_INDEX)) {
    return std::nullopt;
  }
  return static_cast<int>(status);
}

// Sends the request and awaits the answer, as the request asks to.
std::optional<int> Exchange(HINTERNET handle, const HttpRequest& request) {
  const BOOL sent = WinHttpSendRequest(handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                       WINHTTP_NO_REQUEST_DATA, 0, 0, 0);
  if (!request.readStatus) {
    // Fire and forget: the answer is awaited whatever the send gave.
    WinHttpReceiveResponse(handle, nullptr);
    return std::nullopt;
  }
  if (!sent || !WinHttpReceiveResponse(handle, nullptr)) return std::nullopt;
  return QueryStatus(handle);
}

}  // namespace

std::optional<int> SendHttpRequest(const HttpRequest& request) noexcept {
  try {
    const std::wstring agent = Widen(kWebUserAgent);
    const std::wstring host = Widen(kWebServerHost);
    const std::wstring verb = Widen(request.verb);
    const std::wstring path = Widen(request.path);

    HINTERNET session = WinHttpOpen(agent.c_str(), kNoProxyAccess, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (session == nullptr) return std::nullopt;
    HINTERNET connection =
        WinHttpConnect(session, host.c_str(), static_cast<INTERNET_PORT>(request.port), 0);
    if (connection == nullptr) {
      WinHttpCloseHandle(session);
      return std::nullopt;
    }
    HINTERNET handle = WinHttpOpenRequest(connection, verb.c_str(), path.c_str(), nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
    if (handle == nullptr) {
      WinHttpCloseHandle(connection);
      WinHttpCloseHandle(session);
      return std::nullopt;
    }
    SetTimeout(handle, kConnectTimeoutOption, request.timeouts.connectMs);
    SetTimeout(handle, kSendTimeoutOption, request.timeouts.sendMs);
    SetTimeout(handle, kReceiveTimeoutOption, request.timeouts.receiveMs);
    SetTimeout(handle, kReceiveResponseTimeoutOption, request.timeouts.receiveMs);

    const std::optional<int> status = Exchange(handle, request);
    WinHttpCloseHandle(handle);
    WinHttpCloseHandle(connection);
    WinHttpCloseHandle(session);
    return status;
  } catch (...) {
    // Only the wide copies above can throw (out of memory), before any handle is open.
    return std::nullopt;
  }
}
