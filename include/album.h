// The album library: everything a host needs, in one header.
#pragma once

#include "album/AlbumApi.h"
#include "album/AlbumFile.h"
#include "album/Thumbnail.h"
#include "album/ThumbTable.h"
#include "album/AlbumDoc.h"
#include "album/SearchCriteria.h"
#include "album/ViewCreateInfo.h"
