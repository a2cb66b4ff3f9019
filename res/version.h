// Velmor's version, written here and nowhere else: velmor.rc's VERSIONINFO is built from these
// numbers, and tools/dist.sh names the release zip after them.
#ifndef VELMOR_RES_VERSION_H
#define VELMOR_RES_VERSION_H

#define VELMOR_VERSION_MAJOR 1
#define VELMOR_VERSION_MINOR 0
#define VELMOR_VERSION_PATCH 0

#endif
