#pragma once

#include <QString>

#include <exception>
#include <optional>
#include <string>

// A failed administrator script: its error number (-128 when the prompt was dismissed; the
// exit status of a failing shell line) and text.
class AppleScriptError : public std::exception {
public:
    AppleScriptError(std::optional<int> number, QString message);

    // Reads osascript's standard error: "<from>:<to>: execution error: <message> (<number>)".
    static AppleScriptError fromStderr(const QString& text);

    std::optional<int> number;
    QString message;

    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::string utf8_;
};
