#include "runtime/ParseError.h"

ParseError::ParseError() : Error(QStringLiteral("The data couldn't be read because it isn't in the correct format.")) {}

ParseError::ParseError(QString sentence) : Error(std::move(sentence)) {}
