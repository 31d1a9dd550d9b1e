#include "views/CardKeys.h"

#include <algorithm>

namespace CardKeys {

Outcome decide(const Input& in) {
    Outcome out{false, in.selection, in.expanded, false};
    switch (in.key) {
    case Key::down:
    case Key::up: {
        out.handled = true;
        if (in.listed.isEmpty())
            return out;
        const int step = in.key == Key::down ? 1 : -1;
        const qsizetype at = in.selection ? in.listed.indexOf(*in.selection) : -1;
        const qsizetype target = at < 0 ? (step > 0 ? 0 : in.listed.size() - 1)
                                        : std::clamp<qsizetype>(at + step, 0, in.listed.size() - 1);
        out.selection = in.listed[target];
        return out;
    }
    case Key::space:
    case Key::enter:
        out.handled = true;
        if (in.selection)
            out.expanded = in.expanded == in.selection ? std::nullopt : in.selection;
        return out;
    case Key::backspace:
        if (in.command && in.selection && in.selectedRemovable) {
            out.handled = true;
            out.remove = true;
        }
        return out;
    case Key::other: return out;
    }
    return out;
}

} // namespace CardKeys
