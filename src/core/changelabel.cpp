#include "core/changelabel.h"

#include <utility>

namespace core {

namespace {
thread_local std::string current;
}

ChangeLabel::ChangeLabel(std::string text) : previous_(std::exchange(current, std::move(text))) {}

ChangeLabel::~ChangeLabel() {
    current = std::move(previous_);
}

const std::string& currentChangeLabel() {
    return current;
}

} // namespace core
