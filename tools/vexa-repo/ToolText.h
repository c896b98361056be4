// Text helpers of the commands: UTF-8 conversion, numbers that ignore the
// locale, aligned tables, key/value lines and JSON output.
//
// Output is UTF-8 whatever the process locale: names pass from the
// arguments to the library and back untouched.
#ifndef VEXA_TOOL_TOOLTEXT_H
#define VEXA_TOOL_TOOLTEXT_H

#include <wx/string.h>

#include <cstddef>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "kernel/Text.h"
#include "kernel/VexKernel.h"

namespace vexa {
namespace tool {

typedef nlohmann::ordered_json Json;

inline std::string U(const wxString& text) {
    return kernel::toMB(text);
}
inline wxString W(const std::string& text) {
    return kernel::fromMB(text);
}

// A text from a fixed engine field of at most `size` bytes (not always
// terminated when full).
std::string fieldText(const char* field, std::size_t size);

// The shortest text that reads back as `value` ("2.5", "100", "1e-05");
// '.' as the decimal separator in every locale.
std::string formatNumber(double value);
// A number read from a settings text: an integer or a floating-point
// number when all of `text` is one ('.' as the decimal separator), null
// when it is empty, else the text itself (a file may hold anything).
nlohmann::ordered_json numberOrText(const std::string& text);

// "0x%08X"
std::string formatHex(std::uint32_t value);

// The rows of a string array, each row its texts (a null text as "").
std::vector<std::vector<std::string>> stralRows(const SSTRAL* array);

// Columns UTF-8 text takes on a terminal (characters, East Asian wide ones
// counting two), for alignment.
std::size_t displayWidth(const std::string& text);

// Prints `rows` under `header` in columns two blanks apart, each line
// starting with `indent`; trailing blanks are cut. "(none)" when there are
// no rows.
void printTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows,
                const std::string& indent = "  ");

// Prints "KEY  VALUE" lines, keys padded to one width, each after `indent`.
void printValues(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& values,
                 const std::string& indent = "  ");

// A JSON value as text for the readable output: strings without quotes,
// null as "", arrays joined with ", ".
std::string plain(const Json& value);

// Writes `document` indented, then a line end; texts that are not valid
// UTF-8 are replaced rather than failing the command.
void printJson(std::ostream& out, const Json& document);

}  // namespace tool
}  // namespace vexa

#endif  // VEXA_TOOL_TOOLTEXT_H
