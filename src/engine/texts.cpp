#include "texts.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::string texts[static_cast<std::size_t>(Control::count)];

std::string* textOf(Control control) {
    const auto index = static_cast<std::size_t>(control);
    return index < static_cast<std::size_t>(Control::count) ? &texts[index] : nullptr;
}

}  // namespace

void showText(Control control, const char* text) {
    keepText(control, text);
    seat().view.setText(control, text);
}

void keepText(Control control, const char* text) {
    if (std::string* kept = textOf(control)) kept->assign(text ? text : "");
}

void controlText(Control control, char* out, std::size_t size) {
    if (size == 0) return;
    const std::string* kept = textOf(control);
    const std::size_t n = kept ? std::min(kept->size(), size - 1) : 0;
    if (n) std::memcpy(out, kept->data(), n);
    out[n] = '\0';
}

void resetTexts() {
    for (std::string& text : texts) text.clear();
}
