// A small JSON writer for the benchmark's figures: nested objects and arrays written as they
// come, strings escaped, and numbers that JSON cannot hold (NaN, infinities: a figure with no
// samples) written as null so the file always parses. Pure logic; no GL.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter& beginObject(const char* key = nullptr) { return open(key, '{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray(const char* key = nullptr) { return open(key, '['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& number(const char* key, double value)
    {
        item(key);
        if (!std::isfinite(value)) {
            text += "null";
        } else {
            char digits[32];
            std::snprintf(digits, sizeof(digits), "%.6g", value);
            text += digits;
        }
        return *this;
    }
    JsonWriter& string(const char* key, const std::string& value)
    {
        item(key);
        quote(value);
        return *this;
    }
    const std::string& str() const { return text; }

private:
    JsonWriter& open(const char* key, char bracket)
    {
        item(key);
        text += bracket;
        firstInScope.push_back(true);
        return *this;
    }
    JsonWriter& close(char bracket)
    {
        firstInScope.pop_back();
        text += bracket;
        return *this;
    }
    // A separator when the scope already holds an item, then the key when there is one.
    void item(const char* key)
    {
        if (!firstInScope.empty()) {
            if (!firstInScope.back())
                text += ',';
            firstInScope.back() = false;
        }
        if (key) {
            quote(key);
            text += ':';
        }
    }
    void quote(const std::string& value)
    {
        text += '"';
        for (const char c : value) {
            if (c == '"' || c == '\\') {
                text += '\\';
                text += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned char>(c));
                text += escaped;
            } else {
                text += c;
            }
        }
        text += '"';
    }

    std::string text;
    std::vector<bool> firstInScope;
};
