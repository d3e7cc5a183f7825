#pragma once

namespace bildheber {

// The index of the selected item of the expiry group ("Nie", "12 Monate", "6 Wochen").
enum class ExpiryChoice { Never = 0, TwelveMonths = 1, SixWeeks = 2 };

}  // namespace bildheber
