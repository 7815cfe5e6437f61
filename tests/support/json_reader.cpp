#include "support/json_reader.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace zelt::test {

const JsonValue &JsonValue::operator[](const std::string &key) const {
    static const JsonValue null;
    for (const auto &member : members_)
        if (member.first == key) return member.second;
    return null;
}

// Recursive descent over the text; any malformation sets `failed`.
class JsonParser {
public:
    explicit JsonParser(const std::string &text) : s_(text) {}
    bool Parse(JsonValue &out) {
        Value(out, 0);
        Space();
        return !failed_ && p_ == s_.size();
    }
    std::size_t offset() const { return p_; }

private:
    void Space() {
        while (p_ < s_.size() && std::strchr(" \t\r\n", s_[p_]) != nullptr) ++p_;
    }
    bool Eat(char c) {
        Space();
        if (p_ < s_.size() && s_[p_] == c) return ++p_, true;
        return false;
    }
    void Expect(char c) { failed_ = failed_ || !Eat(c); }
    void Value(JsonValue &v, int depth) {
        Space();
        if (failed_ || p_ >= s_.size() || depth > 64) return void(failed_ = true);
        const char c = s_[p_];
        if (c == '"') {
            v.type_ = JsonValue::Type::String;
            String(v.text_);
        } else if (Eat('[')) {
            v.type_ = JsonValue::Type::Array;
            if (Eat(']')) return;
            do Value(v.items_.emplace_back(), depth + 1);
            while (!failed_ && Eat(','));
            Expect(']');
        } else if (Eat('{')) {
            v.type_ = JsonValue::Type::Object;
            if (Eat('}')) return;
            do {
                std::string key;
                Space();
                if (p_ >= s_.size() || s_[p_] != '"') return void(failed_ = true);
                String(key);
                Expect(':');
                Value(v.members_.emplace_back(std::move(key), JsonValue{}).second, depth + 1);
            } while (!failed_ && Eat(','));
            Expect('}');
        } else if (s_.compare(p_, 4, "true") == 0 || s_.compare(p_, 5, "false") == 0 || s_.compare(p_, 4, "null") == 0) {
            v.type_ = c == 'n' ? JsonValue::Type::Null : JsonValue::Type::Bool;
            v.number_ = c == 't';
            p_ += c == 'f' ? 5 : 4;
        } else {
            char *end = nullptr;
            v.number_ = std::strtod(s_.c_str() + p_, &end);
            v.type_ = JsonValue::Type::Number;
            failed_ = end == s_.c_str() + p_;
            p_ = std::size_t(end - s_.c_str());
        }
    }
    void String(std::string &out) {
        for (++p_; p_ < s_.size();) {
            const char c = s_[p_++];
            if (c == '"') return;
            if (c != '\\' || p_ >= s_.size()) {
                out += c;
                continue;
            }
            const char e = s_[p_++];
            const char *plain = std::strchr("\"\\/bfnrt", e);
            if (e != 'u' && plain != nullptr) {
                out += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            } else if (e == 'u' && p_ + 4 <= s_.size()) {
                out += char(std::stoul(s_.substr(p_, 4), nullptr, 16));
                p_ += 4;
            } else {
                break;
            }
        }
        failed_ = true;
    }

    const std::string &s_;
    std::size_t p_ = 0;
    bool failed_ = false;
};

JsonValue LoadJsonFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    JsonValue value;
    JsonParser parser(text);
    if (!file || !parser.Parse(value)) {
        ADD_FAILURE() << path << ": unreadable or malformed near offset " << parser.offset();
        return {};
    }
    return value;
}

std::string PlatformVectorPath(const std::string &relative) {
    return std::string(ZELT_SHARED_DIR) + "/platform/vectors/" + relative;
}

bool PlatformVectorsPresent() { return std::ifstream(PlatformVectorPath("raster/devcaps.json")).good(); }

}  // namespace zelt::test
