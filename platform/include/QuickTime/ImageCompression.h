/* Graphics importers: components that draw an image file into a port. */
#ifndef PLATFORM_IMAGECOMPRESSION_H
#define PLATFORM_IMAGECOMPRESSION_H

#include <CarbonCore/Files.h>
#include <HIToolbox/MacWindows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ComponentInstanceRecord* ComponentInstance;
typedef ComponentInstance GraphicsImportComponent;
typedef SInt32 ComponentResult;
typedef struct OpaqueGDevice** GDHandle;

enum { kDontUseValidateToFindGraphicsImporter = 1 };

enum {
    cantFindHandler = -2003, /* no importer for that kind of file */
    invalidImageIndexErr = -2006,
    badComponentInstance = (SInt32)0x80008001,
    codecBadDataErr = -8969 /* the image's data can't be decoded */
};

/* Chooses the importer by the file's name (its extension); with
   kDontUseValidateToFindGraphicsImporter the file's contents are not looked at. */
OSErr GetGraphicsImporterForFileWithFlags(const FSSpec* theFile, ComponentInstance* gi, long flags);
ComponentResult GraphicsImportSetGWorld(GraphicsImportComponent ci, CGrafPtr port, GDHandle gd);
/* Reads the image; codecBadDataErr when it can't be decoded. */
ComponentResult GraphicsImportGetNaturalBounds(GraphicsImportComponent ci, Rect* naturalBounds);
ComponentResult GraphicsImportSetDestRect(GraphicsImportComponent ci, const Rect* destRect);
/* Draws the first image into the port at the destination, clipped to the port. */
ComponentResult GraphicsImportDraw(GraphicsImportComponent ci);
OSErr CloseComponent(ComponentInstance aComponentInstance);

#ifdef __cplusplus
}
#endif

#endif
