#include "views/ViewCreateInfo.h"

#include <string.h>
#include "win/Handles.h"

namespace {

LOGFONTA CaptionFont(const char* face, LONG height)
{
    LOGFONTA lf;
    memset(&lf, 0, sizeof lf);
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfOutPrecision = OUT_STROKE_PRECIS;
    lf.lfClipPrecision = CLIP_STROKE_PRECIS;
    lf.lfQuality = DRAFT_QUALITY;
    // 0x12 is the byte hosts find in the records (meant as a variable-pitch Swiss face; in the
    // headers' terms it is VARIABLE_PITCH | FF_ROMAN). The face name decides the font anyway.
    lf.lfPitchAndFamily = 0x12;
    win::CopyText(lf.lfFaceName, sizeof lf.lfFaceName, face);
    return lf;
}

tagAlbumViewCreateInfo Record(int rows, int cols, int space, int scrollDir, int selectMode, int cellStyle,
                              int caption, int bkMode)
{
    tagAlbumViewCreateInfo aci;
    memset(&aci, 0, sizeof aci); // font, reserved fields and tooltip stay zero unless set
    aci.nRows = rows;
    aci.nCols = cols;
    aci.nHSpace = space;
    aci.nVSpace = space;
    aci.nScrollDir = scrollDir;
    aci.nSelectMode = selectMode;
    aci.nCellStyle = cellStyle;
    aci.nSizeMode = ACI_SIZE_SNAP;
    aci.nCaption = caption;
    aci.nBkMode = bkMode;
    return aci;
}

} // namespace

LOGFONTA ManagerCaptionFont() { return CaptionFont("Arial", -9); }
LOGFONTA DefaultListCaptionFont() { return CaptionFont("Times New Roman", -15); }

tagAlbumViewCreateInfo ManagerCtrlViewInfo(int rows, int cols)
{
    tagAlbumViewCreateInfo aci = Record(rows, cols, 0, ACI_SCROLL_VERTICAL, ACI_SELECT_MULTI, ACI_CELL_CARD,
                                        ACI_CAPTION_NUMBER_NAME, ACI_BK_OPAQUE);
    aci.lfCaption = ManagerCaptionFont();
    return aci;
}

tagAlbumViewCreateInfo OptionCtrlViewInfo(int rows, int cols)
{
    return Record(rows, cols, 0, ACI_SCROLL_HORIZONTAL, ACI_SELECT_SINGLE, ACI_CELL_RAISED, ACI_CAPTION_NONE,
                  ACI_BK_OPAQUE);
}

tagAlbumViewCreateInfo WizardCtrlViewInfo()
{
    return Record(2, 2, 16, ACI_SCROLL_VERTICAL, ACI_SELECT_SINGLE, ACI_CELL_PLAIN, ACI_CAPTION_NONE,
                  ACI_BK_TRANSPARENT);
}

tagAlbumViewCreateInfo DefaultListViewInfo()
{
    tagAlbumViewCreateInfo aci = Record(5, 5, 16, ACI_SCROLL_HORIZONTAL, ACI_SELECT_MULTI, ACI_CELL_RAISED,
                                        ACI_CAPTION_NUMBER_NAME, ACI_BK_OPAQUE);
    aci.lfCaption = DefaultListCaptionFont();
    return aci;
}

tagAlbumViewCreateInfo ResourceAlbumViewInfo(int rows, int cols, bool brushes)
{
    tagAlbumViewCreateInfo aci = Record(rows, cols, 2, ACI_SCROLL_HORIZONTAL, ACI_SELECT_SINGLE, ACI_CELL_PLAIN,
                                        ACI_CAPTION_NONE, ACI_BK_TRANSPARENT);
    aci.bToolTip = brushes ? 1 : 0;
    return aci;
}
