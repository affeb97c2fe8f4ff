// Resource identifiers of the album library.
#pragma once

// String table
#define IDS_FORMAT_INVALID        1
#define IDS_OPEN_FILE_CAPTION     2
#define IDS_INVALID_ALBUM_NAME    3
#define IDS_CAPTION_MANAGER       5
#define IDS_THUMB_INFO            8
#define IDS_ALBUM_COUNT           9
#define IDS_ALBUM_CAPTION         10
#define IDS_SAVE_MODIFIED         11
#define IDS_ALBUM_EXISTS          13
#define IDS_GRAY_CONVERT_FAILED   14
#define IDS_CAPTION_RESOURCES     16
#define IDS_NEW_ALBUM             17
#define IDS_NEW_ALBUM_NAME        22
#define IDS_SEARCHING             23
#define IDS_SCANNING              24
#define IDS_FOUND                 25
#define IDS_NAME_RESERVED         27
#define IDS_CAPTION_FIND          28
#define IDS_TIME_INVALID          29
#define IDS_ALL_ALBUMS            30
#define IDS_BTN_ADD               31
#define IDS_BTN_ACQUIRE           32
#define IDS_BTN_SORT              33
#define IDS_BTN_DELETE            34
#define IDS_BTN_SAVE              35
#define IDS_BTN_PRINT             36
#define IDS_BTN_FIND              37
#define IDS_BTN_BATCH             38
#define IDS_BTN_HELP              39
#define IDS_SAVE_RESULTS          40
#define IDS_CONFIRM_DELETE        41
#define IDS_CAPTION_GENERAL       43
#define IDS_DROP_FAILED           44
#define IDS_NO_WILDCARDS          45
