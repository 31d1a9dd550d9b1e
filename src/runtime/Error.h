#pragma once

#include <QString>

#include <exception>
#include <string>

// Base of every error that reaches the user: it carries one complete sentence.
class Error : public std::exception {
public:
    explicit Error(QString sentence);
    ~Error() override;

    const QString& description() const noexcept { return sentence_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString sentence_;
    std::string utf8_;
};
