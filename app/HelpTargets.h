// SPDX-License-Identifier: Apache-2.0
#pragma once

// Where the Help commands lead. The version and the two addresses are given when the program is built
// (CMake: the project VERSION and the cache options QUIRE_HOMEPAGE_URL and QUIRE_SUPPORT_EMAIL); a
// command whose address is empty is hidden, so the program never opens an address nobody set.
constexpr const char* kProgramVersion = QUIRE_VERSION;
constexpr const char* kHomepageUrl = QUIRE_HOMEPAGE_URL;
constexpr const char* kSupportEmail = QUIRE_SUPPORT_EMAIL;
// The user guide, compiled into the program from docs/USER-GUIDE.md (res/quire.qrc).
constexpr const char* kUserGuideUrl = "qrc:/docs/USER-GUIDE.md";
