// SPDX-License-Identifier: Apache-2.0
#pragma once

// Where the Help commands lead. Every web address carries "from=" and the product tag.

// The user guide installed with the program, relative to the folder of the executable; the
// address below is opened when it is missing (a build that was not installed).
constexpr const char* kUserGuideRelativePath = "../share/doc/quire-binder/USER-GUIDE.md";
constexpr const char* kOnlineHelpUrl = "https://vellum.example.com/quire-binder/help/?from=qbinder";
constexpr const char* kSupportEmailUrl = "mailto:support@vellum.example.com?subject=Quire%20Binder";
constexpr const char* kCheckUpdateUrl = "https://vellum.example.com/quire-binder/?from=qbinder";
constexpr const char* kHomepageUrl = "https://vellum.example.com/?from=qbinder";
