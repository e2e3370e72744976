// PENDING: replaced by the web-server client.
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ProbeWebServer() {}
void rF2kovrel::RequestFocus(std::int32_t /*slotId*/) {}
void rF2kovrel::SendFocus(std::int32_t /*slotId*/) {}
