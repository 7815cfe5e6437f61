// A small JSON reader for the golden vector files: values, arrays, objects
// (members kept in file order). \u escapes up to U+00FF become single bytes,
// since the vectors hold ANSI test strings.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zelt::test {

class JsonValue {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    bool IsNull() const { return type_ == Type::Null; }
    bool IsNumber() const { return type_ == Type::Number; }
    bool IsString() const { return type_ == Type::String; }

    bool AsBool() const { return number_ != 0; }
    std::int64_t AsInt() const { return static_cast<std::int64_t>(number_); }
    const std::string &AsString() const { return text_; }

    // Arrays.
    std::size_t size() const { return items_.size(); }
    const JsonValue &operator[](std::size_t index) const { return items_.at(index); }
    const std::vector<JsonValue> &items() const { return items_; }

    // Objects: the member, or a null value when absent.
    const JsonValue &operator[](const std::string &key) const;
    const std::vector<std::pair<std::string, JsonValue>> &members() const { return members_; }

private:
    friend class JsonParser;
    Type type_ = Type::Null;
    double number_ = 0;
    std::string text_;
    std::vector<JsonValue> items_;
    std::vector<std::pair<std::string, JsonValue>> members_;
};

// Reads and parses a file; fails the calling test (ADD_FAILURE) and returns
// a null value when the file is missing or malformed.
JsonValue LoadJsonFile(const std::string &path);

// Path of a file under the shared platform vectors folder.
std::string PlatformVectorPath(const std::string &relative);

// The recorded vectors live beside the checkout; a checkout without them
// skips their replays, as it skips the probe runs.
bool PlatformVectorsPresent();
#define ZELT_SKIP_WITHOUT_VECTORS() \
    if (!::zelt::test::PlatformVectorsPresent()) GTEST_SKIP() << "no recorded vectors under " ZELT_SHARED_DIR

}  // namespace zelt::test
