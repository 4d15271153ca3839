/* The PPD library: the main keywords of the PPD file that the printer-info ticket names. */
#ifndef PLATFORM_PPDLIB_H
#define PLATFORM_PPDLIB_H

#include <PrintCore/PMTicket.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The printer-info ticket's item that holds the printer's PPD file path (a C string). */
#define kPMPPDPathKey CFSTR("com.apple.print.PrinterInfo.PMPPDPath")

typedef struct OpaquePPDContext* ppdContext;
typedef struct OpaquePPDFileRecord* ppdFileRecord;
typedef SInt32 ppdMainIndex;

enum {
    kPPDFileNotFoundErr = -9705, /* the ticket names no PPD, or the file is not there */
    kPPDFileMalformedErr = -9706,
    kPPDKeywordNotFoundErr = -9707
};

OSStatus ppdOpenCompiledPPDFromTicket(PMTicketRef printerInfo, ppdContext* ppd,
                                      ppdFileRecord* file);
/* The index of the main keyword (a length-prefixed string); kPPDKeywordNotFoundErr, with the
   index left alone, when the PPD has no such keyword. */
OSStatus ppdGetMainIndex(ppdContext ppd, ConstStr255Param keyword, ppdMainIndex* index);
/* The keyword's value as a length-prefixed string of at most 255 bytes in a 256-byte buffer. */
OSStatus ppdGetInvocationString(ppdContext ppd, ppdMainIndex index, StringPtr value);
OSStatus ppdCloseCompiledPPDFromTicket(ppdContext ppd, ppdFileRecord file);

/* Compares two length-prefixed strings byte by byte: 0 when equal, else the sign of the first
   difference (a shorter prefix sorts first). */
short PLstrcmp(ConstStr255Param str1, ConstStr255Param str2);

#ifdef __cplusplus
}
#endif

#endif
