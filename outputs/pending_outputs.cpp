// PENDING: replaced by the stream files and the debug log.
#include "plugin/rF2kovrel.hpp"

void rF2kovrel::ResetStreamFiles() {}
void rF2kovrel::RefreshStreamFiles(const ScoringInfoV01& /*info*/) {}
std::string rF2kovrel::WriteTimeFile(const ScoringInfoV01& /*info*/) { return std::string(); }
void rF2kovrel::WriteDriverFile() {}
void rF2kovrel::WriteStatusFile(int /*session*/, const std::string& /*clockText*/) {}
void rF2kovrel::WriteInfoPage(int /*session*/) {}
