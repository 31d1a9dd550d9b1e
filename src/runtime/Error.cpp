#include "runtime/Error.h"

Error::Error(QString sentence) : sentence_(std::move(sentence)), utf8_(sentence_.toStdString()) {}

Error::~Error() = default;
