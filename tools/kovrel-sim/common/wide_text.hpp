// Text between this program's UTF-8 and the wide characters of Windows' own
// calls. Used by the Windows side of the seams only.
#pragma once

#include <string>

namespace ksim {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& wide);
// The system's wording of an error code, without its line end.
std::string SystemMessage(unsigned long code);

}  // namespace ksim
