// What an overlay would have read at a moment of the session: the plug-in's
// files folder copied whole into the working folder, for screenshots of the
// overlay page at that moment and for looking back at a run's documents.
#pragma once

#include <string>

// Copies every file of `filesFolder` into `<workFolder>/files-<session>-<seconds>s`
// (replacing what an earlier run left there) and returns that folder; throws
// std::runtime_error when the copy fails.
std::string CopyFilesFolder(const std::string& filesFolder, const std::string& workFolder, const std::string& session,
                            double seconds);
