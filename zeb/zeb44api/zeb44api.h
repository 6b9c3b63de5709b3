/* zeb44api: one ZEB44 four-channel ADC module in a slot of a ZEB crate.
 *
 * Every function returns a 32-bit signed status: 0 = success, negative =
 * failure (codes below), except ZEB44_Recv (a word count). The caller owns
 * the ModuleRecord; a zero-filled record is a valid closed record.
 *
 * Calls on one record are made one at a time, but may come from different
 * threads (one thread opens, another receives).
 */
#ifndef ZEB44API_H
#define ZEB44API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZEB44_CHANNELS 4

/* Status codes. */
#define ZEB44_OK 0
#define ZEB44_ERR_ARGUMENT (-1)   /* null pointer or value out of range */
#define ZEB44_ERR_NOT_OPEN (-2)   /* record not open */
#define ZEB44_ERR_CONNECT (-3)    /* no crate server answered */
#define ZEB44_ERR_IO (-4)         /* connection dropped */
#define ZEB44_ERR_PROTOCOL (-5)   /* malformed data from the server */
#define ZEB44_ERR_NO_MODULE (-6)  /* no answering ZEB44 at that crate and slot */
#define ZEB44_ERR_REFUSED (-7)    /* the module refused the request */

typedef struct ModuleRecord {
    uint8_t Reserved0[40];              /* 0: library private */
    uint8_t AdcDivisor;                 /* 40: ADC divisor */
    uint8_t Divider384;                 /* 41: 1 = 384 divider */
    uint8_t DcCoupling;                 /* 42: 1 = DC coupling, 0 = AC */
    uint8_t OwnZero;                    /* 43: 1 = measure the module's own zero */
    uint8_t Reserved44;                 /* 44 */
    uint8_t RangeCode[ZEB44_CHANNELS];  /* 45 + c: range code of channel c + 1 */
    uint8_t ChannelEnabled[ZEB44_CHANNELS]; /* 49 + c: 1 = channel c + 1 enabled */
    uint8_t Reserved53[3];              /* 53 */
    int32_t AdcRateIndex;               /* 56: ADC rate index 0..24 */
    uint8_t Option60;                   /* 60: always 0 */
    uint8_t Reserved61[19];             /* 61 */
    char Name[16];                      /* 80: module name, NUL-terminated */
    char Serial[16];                    /* 96: serial number, NUL-terminated */
    uint8_t Reserved112[288];           /* 112: library private */
    uint32_t FirmwareVersion;           /* 400: four parts, most significant byte first */
    uint32_t Reserved404;               /* 404: library private */
    void* Session;                      /* 408: library private; null = closed */
    uint8_t Reserved416[96];            /* 416: library private */
} ModuleRecord;

int32_t ZEB44_Init(ModuleRecord* module);
/* address: IPv4 in host order (0x7F000001 = 127.0.0.1); crateSerial: text in
 * a 16-byte field; slot 1..16. On success Name, Serial and FirmwareVersion
 * are valid. */
int32_t ZEB44_Open(ModuleRecord* module, uint32_t address, uint16_t port,
                   const char* crateSerial, uint16_t slot);
/* 0 = open. */
int32_t ZEB44_IsOpened(ModuleRecord* module);
int32_t ZEB44_Close(ModuleRecord* module);
/* Sends the written fields (40..60) to the module. */
int32_t ZEB44_SetConfig(ModuleRecord* module);
int32_t ZEB44_StopADC(ModuleRecord* module);
int32_t ZEB44_ClearBuffer(ModuleRecord* module, int32_t mode);
int32_t ZEB44_StartADC(ModuleRecord* module, int32_t mode);
/* Receives up to count words into destination. Returns count when complete,
 * 0 when nothing arrived within timeoutMs, the number received when fewer
 * arrived, negative on error. Never writes more than count words.
 * timeMarks must be null. */
int32_t ZEB44_Recv(ModuleRecord* module, uint32_t* destination, void* timeMarks,
                   int32_t count, int32_t timeoutMs);
/* Converts words to volts with the configuration last sent by
 * ZEB44_SetConfig. The k-th enabled channel's samples form the k-th
 * consecutive block of destination; overload[c] != 0 when channel c + 1 was
 * overloaded in these words. */
int32_t ZEB44_ProcessData(ModuleRecord* module, const uint32_t* source, double* destination,
                          int32_t count, int32_t option1, int32_t option2, uint8_t overload[ZEB44_CHANNELS]);

#ifdef __cplusplus
}
#endif

#endif
