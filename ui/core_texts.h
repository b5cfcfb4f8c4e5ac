// The texts the wizard translates where they are shown rather than where
// they are made (see core_texts.cpp).
#pragma once

#include <vector>

namespace tvn::ui {

const std::vector<const char*>& TranslatedElsewhere();

}  // namespace tvn::ui
