#include "ToolText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace vexa {
namespace tool {

std::string fieldText(const char* field, std::size_t size) {
    if (field == nullptr) {
        return std::string();
    }
    const void* end = std::memchr(field, '\0', size);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
    return std::string(field, length);
}

std::string formatNumber(double value) {
    // The shortest text that reads back as the same number, as the JSON
    // output writes it; to_chars never follows the locale.
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

Json numberOrText(const std::string& text) {
    if (text.empty()) {
        return Json();
    }
    const char* const end = text.data() + text.size();
    long long whole = 0;
    std::from_chars_result result = std::from_chars(text.data(), end, whole);
    if (result.ec == std::errc() && result.ptr == end) {
        return whole;
    }
    double value = 0;
    result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc() && result.ptr == end && std::isfinite(value)) {
        return value;
    }
    return text;
}

std::string formatHex(std::uint32_t value) {
    char buffer[16];
    OsnprintfEx(buffer, sizeof(buffer), "0x%08X", static_cast<unsigned>(value));
    return buffer;
}

std::vector<std::vector<std::string>> stralRows(const SSTRAL* array) {
    std::vector<std::vector<std::string>> rows;
    for (const SSTRALROW* row = array ? array->first : nullptr; row != nullptr; row = row->next) {
        std::vector<std::string> texts;
        for (int i = 0; i < row->count; ++i) {
            texts.push_back(row->texts && row->texts[i] ? row->texts[i] : "");
        }
        rows.push_back(texts);
    }
    return rows;
}

namespace {

// East Asian wide and full-width characters take two columns on a terminal.
bool isWide(std::uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

std::size_t displayWidth(const std::string& text) {
    std::size_t width = 0;
    const char* at = text.c_str();
    const char* const end = at + text.size();
    while (at < end) {
        int length = 0;
        const std::uint32_t c = Ostrgetc(at, &length);
        if (length <= 0) {
            length = 1;  // an embedded zero byte
        }
        width += isWide(c) ? 2 : 1;
        at += length;
    }
    return width;
}

namespace {

std::string padded(const std::string& text, std::size_t width) {
    const std::size_t shown = displayWidth(text);
    return shown >= width ? text : text + std::string(width - shown, ' ');
}

std::string trimmedRight(std::string line) {
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

}  // namespace

void printTable(std::ostream& out, const std::vector<std::string>& header,
                const std::vector<std::vector<std::string>>& rows, const std::string& indent) {
    if (rows.empty()) {
        out << indent << "(none)\n";
        return;
    }
    std::vector<std::size_t> widths(header.size(), 0);
    for (std::size_t c = 0; c < header.size(); ++c) {
        widths[c] = displayWidth(header[c]);
    }
    for (const std::vector<std::string>& row : rows) {
        for (std::size_t c = 0; c < row.size() && c < widths.size(); ++c) {
            widths[c] = std::max(widths[c], displayWidth(row[c]));
        }
    }
    const auto line = [&](const std::vector<std::string>& cells) {
        std::string text = indent;
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const std::string cell = c < cells.size() ? cells[c] : std::string();
            text += c + 1 < widths.size() ? padded(cell, widths[c] + 2) : cell;
        }
        out << trimmedRight(text) << '\n';
    };
    line(header);
    for (const std::vector<std::string>& row : rows) {
        line(row);
    }
}

void printValues(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& values,
                 const std::string& indent) {
    std::size_t width = 0;
    for (const auto& value : values) {
        width = std::max(width, displayWidth(value.first));
    }
    for (const auto& value : values) {
        out << trimmedRight(indent + padded(value.first, width + 2) + value.second) << '\n';
    }
}

std::string plain(const Json& value) {
    if (value.is_null()) {
        return std::string();
    }
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_boolean()) {
        return value.get<bool>() ? "true" : "false";
    }
    if (value.is_number_float()) {
        return formatNumber(value.get<double>());
    }
    if (value.is_array()) {
        std::string text;
        for (const Json& item : value) {
            text += (text.empty() ? "" : ", ") + plain(item);
        }
        return text;
    }
    return value.dump();
}

void printJson(std::ostream& out, const Json& document) {
    out << document.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
}

}  // namespace tool
}  // namespace vexa
