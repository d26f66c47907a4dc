// SPDX-License-Identifier: Apache-2.0
#pragma once

// Where the Help commands lead. Every web address carries "from=" and the product tag.

// The user guide, relative to the folder of the executable: installed, then beside a build made
// inside the source tree (build/quire-binder). The address below is opened when neither exists.
constexpr const char* kUserGuideRelativePaths[] = {"../share/doc/quire-binder/USER-GUIDE.md", "../docs/USER-GUIDE.md"};
constexpr const char* kOnlineHelpUrl = "https://vellum.example.com/quire-binder/help/?from=qbinder";
constexpr const char* kSupportEmailUrl = "mailto:support@vellum.example.com?subject=Quire%20Binder";
constexpr const char* kCheckUpdateUrl = "https://vellum.example.com/quire-binder/?from=qbinder";
constexpr const char* kHomepageUrl = "https://vellum.example.com/?from=qbinder";
