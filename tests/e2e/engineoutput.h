#pragma once
// What every engine run prints before its first answer, and the clock its answers are
// timed with.
#include <chrono>
#include <string>

namespace e2e {

inline const std::string banner = "Quorvex 0.731r by Talbrin\n";
inline const std::string handshake =
    "id name Quorvex V0.731r\n"
    "id author Talbrin \n"
    "id user YOU, 2008\n"
    "option usemillisec type check default true\n"
    "option hashsize type spin min 16 max 1024 default 256\n"
    "ucciok\n"
    "\n";

using Clock = std::chrono::steady_clock;

}  // namespace e2e
