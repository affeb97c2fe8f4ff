// The album library: everything a host needs, in one header.
#pragma once

#include "album/AlbumApi.h"
#include "album/AlbumFile.h"
#include "album/Thumbnail.h"
#include "album/ThumbTable.h"
#include "album/AlbumDoc.h"
#include "album/SearchCriteria.h"
#include "album/ViewCreateInfo.h"
#include "album/AlbumMessages.h"
#include "album/DragRecord.h"
#include "album/ThumbView.h"
#include "album/ThumbListView.h"
#include "album/Album.h"
#include "album/AlbumCtrl.h"
#include "album/BrushAlbumCtrl.h"
#include "album/AlbumMan.h"
#include "album/HostCallbacks.h"
