// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <QString>

// The file a merge writes for the text typed into "Merge Output".
//
// Resolve trims the text, then:
// - "~" alone, or a leading "~/", stands for the home folder ("~user" is an ordinary name);
// - a relative name lies in the folder of `szSavePath` (the SavePath setting itself when it ends in
//   '/', else the folder it names; a SavePath that is itself relative counts from the home folder),
//   never in the program's working folder;
// - the last name gets ".pdf" when it has no extension, the way Browse adds it. An extension is a
//   final ".xyz" of letters and digits with at least one letter: "notes.txt" and "Report.PDF" keep
//   theirs, "minutes 2024.03.12" gets ".pdf". A text ending in '/' and an existing folder get none,
//   so that the merge can say they are folders.
// Empty text gives an empty path. Nothing is created or changed on disk.
class COutputPathRule
{
public:
    static QString Resolve(const QString& szTyped, const QString& szSavePath);

private:
    static QString ExpandHome(const QString& szPath);
    // The folder relative names are taken from, with a trailing '/'.
    static QString BaseFolder(const QString& szSavePath);
    static bool HasExtension(const QString& szName);
};
