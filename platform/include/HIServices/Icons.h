/* Icon families ('icns' files) and icon references. */
#ifndef PLATFORM_ICONS_H
#define PLATFORM_ICONS_H

#include <CarbonCore/Files.h>
#include <CarbonCore/MacMemory.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueIconRef* IconRef;

typedef struct IconFamilyElement {
    OSType elementType;
    Size elementSize;
} IconFamilyElement;

/* The data of an icon family: 'icns', then the big-endian 32-bit length of the whole. */
typedef struct IconFamilyResource {
    OSType resourceType;
    Size resourceSize;
} IconFamilyResource;

typedef Handle IconFamilyHandle;

enum { invalidIconRefErr = -2580, noMaskFoundErr = -1000 };

/* Reads the file into the handle (a new one when *iconFamily is null). paramErr when the file is
   not an icon family: no 'icns' header, or a length that disagrees with the file. */
OSErr ReadIconFile(const FSSpec* iconFile, IconFamilyHandle* iconFamily);
OSErr GetIconRefFromIconFamilyPtr(const IconFamilyResource* iconFamPtr, Size iconFamilySize,
                                  IconRef* iconRef);
OSErr ReleaseIconRef(IconRef theIconRef);

#ifdef __cplusplus
}
#endif

#endif
