#pragma once

#include <string>

namespace zelvanor {

// Writes the HTML page that describes the temperament named by `request`
// (the detune argument; for a Scala file, its description line) at `destination` ("tuning.html" inside it when it
// ends in a separator). Returns when the page is written (the run then ends
// with exit code 0); failures throw RunError.
void WriteTuningPage(const std::string& request, const std::string& destination,
                     const std::string& executable_path);

// Where the page goes: `destination`, or "tuning.html" inside it when it
// ends in "/" or "\\". Throws RunError (exit code 1) beyond 255 characters.
std::string TuningPagePath(const std::string& destination);

}  // namespace zelvanor
