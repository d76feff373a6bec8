// The question-and-reply frame every dialog question follows: the field is
// first set to its default, and only a reply in the accepted range replaces it.
#pragma once

#include <cstdint>
#include <string>

#include "common/session.h"

namespace varnholt {

// The reply to a section count that skips its limits and gives a ladder of
// one position, for trying out a single branch.
inline constexpr int32_t kSinglePositionReply = -538;

// A numeric value: `def` unless the reply is greater than 0.
float ask_positive(Session& s, const Layout& prompt, float def, FieldValues values = {});

// A menu selection: `def` unless the rounded reply lies in [lo, hi].
int32_t ask_choice(Session& s, const Layout& prompt, int32_t def, int32_t lo, int32_t hi);

// A menu shown as complete lines, then its prompt: a selection as above.
int32_t ask_menu(Session& s, const Layout& menu, const Layout& prompt, int32_t def, int32_t lo,
                 int32_t hi);

// A file name of 20 characters: `current` unless the reply is not blank.
std::string ask_name(Session& s, const Layout& prompt, const std::string& current);

}  // namespace varnholt
