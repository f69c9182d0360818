#pragma once
// Screenshots of the A/B control, taken with the others: the main window
// connected to a virtual amplifier, "ab_a_<lang>[_200].png" with tuning A
// playing (the pictured channel as in the main shots) and
// "ab_b_<lang>[_200].png" with B playing (the same channel with an edited
// equaliser), at 100 % and 200 %.
#include <QDir>

namespace vlm {

bool SaveAbShots(const QDir& dir);

}  // namespace vlm
