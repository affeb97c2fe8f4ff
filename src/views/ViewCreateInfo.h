// The view records the library builds for its own views. Grid sizes that depend on a control's
// size are computed by the control and passed in.
#pragma once

#include "album/ViewCreateInfo.h"

// Caption fonts: "Arial" of height -9 (album manager) and "Times New Roman" of height -15 (a list
// window created without a record); weight 400, stroke precisions, draft quality, pitch and
// family byte 0x12, everything else zero.
LOGFONTA ManagerCaptionFont();
LOGFONTA DefaultListCaptionFont();

// "ManDlgAlbumCtrl": card cells with number and name captions, vertical scrolling, multiple
// selection.
tagAlbumViewCreateInfo ManagerCtrlViewInfo(int rows, int cols);
// "OptionDlgAlbumCtrl": raised cells without captions, horizontal scrolling, single selection.
tagAlbumViewCreateInfo OptionCtrlViewInfo(int rows, int cols);
// "WizDlgAlbumCtrl": 2 x 2 plain cells, spacing 16, transparent background.
tagAlbumViewCreateInfo WizardCtrlViewInfo();
// A "CThumbListView2" window created without a record: 5 x 5 raised cells, spacing 16.
tagAlbumViewCreateInfo DefaultListViewInfo();
// Resource albums: plain cells, spacing 2, horizontal scrolling, tooltips for brushes only.
tagAlbumViewCreateInfo ResourceAlbumViewInfo(int rows, int cols, bool brushes);
