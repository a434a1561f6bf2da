#pragma once
// The hourglass cursor over the whole application.

namespace vnd::widgets
{

// Hourglass for the guard's lifetime, on every path.
class HourglassCursor
{
public:
    HourglassCursor();
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;
};

// The unguarded pair, for code that sets the screen cursor and puts it back itself.
// RestoreCursor undoes every SetHourglassCursor still in force.
void SetHourglassCursor();
void RestoreCursor();
bool hourglassActive();

} // namespace vnd::widgets
