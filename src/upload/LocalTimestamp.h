#pragma once

namespace bildheber {

// A moment in local time, as the request needs it: the date for the expiry fields, the time down
// to the millisecond for the multipart boundary.
struct LocalTimestamp {
    int year = 2000;  // four digits
    int month = 1;    // 1..12
    int day = 1;      // 1..31
    int hour = 0;     // 0..23
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    static LocalTimestamp now();
};

}  // namespace bildheber
