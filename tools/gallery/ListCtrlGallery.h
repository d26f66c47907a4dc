// SPDX-License-Identifier: Apache-2.0
#pragma once

class QGroupBox;

// The list control family as the file list uses it: a filled list with a selected row, mixed
// check boxes and a cut-off text, an empty list with its message, and a switch for the classic look.
QGroupBox* ListControlsGallery();
