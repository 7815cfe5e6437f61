#include "support/json_reader.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace zelt::test {

namespace {
const JsonValue &NullValue() {
    static const JsonValue null;
    return null;
}
}  // namespace

const JsonValue &JsonValue::operator[](const std::string &key) const {
    for (const auto &member : members_)
        if (member.first == key) return member.second;
    return NullValue();
}

bool JsonValue::Has(const std::string &key) const {
    for (const auto &member : members_)
        if (member.first == key) return true;
    return false;
}

class JsonParser {
public:
    explicit JsonParser(const std::string &text) : text_(text) {}

    bool Parse(JsonValue &out, std::string &error) {
        if (!Value(out, 0) || (SkipSpace(), pos_ != text_.size())) {
            if (error_.empty()) error_ = "trailing characters";
            error = error_ + " at offset " + std::to_string(pos_);
            return false;
        }
        return true;
    }

private:
    static constexpr int kMaxDepth = 64;

    void SkipSpace() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }

    bool Fail(const char *what) {
        error_ = what;
        return false;
    }

    bool Literal(const char *word) {
        const std::size_t length = std::char_traits<char>::length(word);
        if (text_.compare(pos_, length, word) != 0) return Fail("bad literal");
        pos_ += length;
        return true;
    }

    bool Value(JsonValue &out, int depth) {
        if (depth > kMaxDepth) return Fail("nested too deeply");
        SkipSpace();
        if (pos_ >= text_.size()) return Fail("unexpected end");
        const char c = text_[pos_];
        if (c == '{') return Object(out, depth);
        if (c == '[') return Array(out, depth);
        if (c == '"') {
            out.type_ = JsonValue::Type::String;
            return String(out.text_);
        }
        if (c == 't') {
            out.type_ = JsonValue::Type::Bool;
            out.boolean_ = true;
            return Literal("true");
        }
        if (c == 'f') {
            out.type_ = JsonValue::Type::Bool;
            return Literal("false");
        }
        if (c == 'n') return Literal("null");
        return Number(out);
    }

    bool Number(JsonValue &out) {
        const char *start = text_.c_str() + pos_;
        char *end = nullptr;
        out.number_ = std::strtod(start, &end);
        if (end == start) return Fail("bad number");
        out.type_ = JsonValue::Type::Number;
        pos_ += static_cast<std::size_t>(end - start);
        return true;
    }

    static int HexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool String(std::string &out) {
        ++pos_;  // opening quote
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) break;
            const char escape = text_[pos_++];
            switch (escape) {
                case '"': case '\\': case '/': out += escape; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    if (pos_ + 4 > text_.size()) return Fail("short \\u escape");
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int digit = HexDigit(text_[pos_++]);
                        if (digit < 0) return Fail("bad \\u escape");
                        code = code * 16 + static_cast<unsigned>(digit);
                    }
                    if (code <= 0xFF) {
                        out += static_cast<char>(code);
                    } else if (code <= 0x7FF) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default: return Fail("bad escape");
            }
        }
        return Fail("unterminated string");
    }

    bool Array(JsonValue &out, int depth) {
        out.type_ = JsonValue::Type::Array;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            out.items_.emplace_back();
            if (!Value(out.items_.back(), depth + 1)) return false;
            SkipSpace();
            if (pos_ >= text_.size()) return Fail("unterminated array");
            const char c = text_[pos_++];
            if (c == ']') return true;
            if (c != ',') return Fail("expected , or ]");
        }
    }

    bool Object(JsonValue &out, int depth) {
        out.type_ = JsonValue::Type::Object;
        ++pos_;
        SkipSpace();
        if (pos_ < text_.size() && text_[pos_] == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected member name");
            std::string key;
            if (!String(key)) return false;
            SkipSpace();
            if (pos_ >= text_.size() || text_[pos_++] != ':') return Fail("expected :");
            out.members_.emplace_back(std::move(key), JsonValue{});
            if (!Value(out.members_.back().second, depth + 1)) return false;
            SkipSpace();
            if (pos_ >= text_.size()) return Fail("unterminated object");
            const char c = text_[pos_++];
            if (c == '}') return true;
            if (c != ',') return Fail("expected , or }");
        }
    }

    const std::string &text_;
    std::size_t pos_ = 0;
    std::string error_;
};

bool ParseJson(const std::string &text, JsonValue &out, std::string &error) {
    out = JsonValue{};
    return JsonParser(text).Parse(out, error);
}

JsonValue LoadJsonFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    JsonValue value;
    std::string error;
    if (!ParseJson(contents.str(), value, error)) {
        ADD_FAILURE() << path << ": " << error;
        return {};
    }
    return value;
}

std::string PlatformVectorPath(const std::string &relative) {
    return std::string(ZELT_SHARED_DIR) + "/platform/vectors/" + relative;
}

}  // namespace zelt::test
