/* zeb44api: one ZEB44 four-channel ADC module in a slot of a ZEB crate.
 *
 * Every function returns a 32-bit signed status: 0 = success, negative =
 * failure (codes below), except ZEB44_Recv (a word count). The caller owns
 * the ModuleRecord; a zero-filled record is a valid closed record.
 *
 * Calls on one record are made one at a time, but may come from different
 * threads (one thread opens, another receives).
 *
 * ZEB44_Open connects to the address and port it is given; the environment
 * variable ZEB_SERVER_PORT, when set to a port number 1..65535, replaces the
 * port. With no server listening it fails at once (the connect wait is at
 * most 0.5 s), and so does a server that refuses the client (one at its
 * client limit hangs up at once): ZEB44_ERR_CONNECT both; a control call waits at most 2 s for the module's answer and
 * otherwise returns ZEB44_ERR_IO. Once the connection is lost, every call on
 * the record except ZEB44_IsOpened, ZEB44_Close and ZEB44_Init returns
 * ZEB44_ERR_IO (or ZEB44_ERR_PROTOCOL) until it is closed.
 *
 * Sample words (ZEB44_Recv, ZEB44_ProcessData), one 32-bit word per sample:
 *   bits 31..28  tag, always 0xA
 *   bit  27      overflow mark: 0, except on the first word after words the
 *                module skipped because its buffer overflowed (its reader
 *                fell behind the stream); ZEB44_ProcessData refuses such a
 *                word (ZEB44_ERR_PROTOCOL), a reader checks for it itself
 *   bit  26      overload: the input was outside the range; the code is clipped
 *   bits 25..24  channel index c, the word belongs to channel c + 1
 *   bits 23..0   signed 24-bit two's-complement code; +8388607 and -8388607
 *                are plus and minus the full scale of the channel's range
 * The module sends, per sample instant, one word for each enabled channel,
 * in channel order; disabled channels are not sent. Volts = code / 8388607 x
 * full scale, with the full scale of the range code: 0 = 1 V, 1 = 0.3 V,
 * 2 = 0.1 V, 3 = 0.03 V, 4 = 10 V, 5 = 3 V.
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
#define ZEB44_ERR_NOT_CONFIGURED (-8) /* ZEB44_ProcessData before any accepted ZEB44_SetConfig */

/* Bit 27 of a sample word: samples were lost before this word (overflow). */
#define ZEB44_WORD_OVERFLOW 0x08000000u

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
/* Sends the written fields (40..60) to the module. The divisor and 384 flag
 * must be those of the rate index's row of the module's rate table and the
 * range codes 0..5, else ZEB44_ERR_ARGUMENT and nothing is sent. Non-zero
 * flag bytes count as 1. The configuration takes effect at the next
 * ZEB44_StartADC. */
int32_t ZEB44_SetConfig(ModuleRecord* module);
/* Stops the conversion; words converted before it stay receivable. */
int32_t ZEB44_StopADC(ModuleRecord* module);
/* mode 0 or 1 (same meaning): discards every word the module and the library
 * hold, so that the next ZEB44_Recv sees only words of the next start. */
int32_t ZEB44_ClearBuffer(ModuleRecord* module, int32_t mode);
/* mode 0 (continuous conversion) is the only mode; the stream starts at the
 * first sample instant of the enabled channels and is paced by the ADC rate. */
int32_t ZEB44_StartADC(ModuleRecord* module, int32_t mode);
/* Receives up to count words into destination, waiting until all count
 * words have arrived or timeoutMs has passed. Returns count when complete;
 * on timeout the number received so far (0 when nothing arrived), those
 * words being in destination and the next call continuing after them;
 * a negative status on a lost connection or malformed data (the words
 * already written are then of no use). Never writes more than count words
 * and returns within timeoutMs plus a few milliseconds. timeMarks must be
 * null. */
int32_t ZEB44_Recv(ModuleRecord* module, uint32_t* destination, void* timeMarks,
                   int32_t count, int32_t timeoutMs);
/* Converts words to volts with the configuration the module last accepted
 * from ZEB44_SetConfig (it stays valid after ZEB44_Close, until
 * ZEB44_Init). count must be a multiple of the number of enabled channels
 * and the words must follow the stream's channel order from its first
 * enabled channel; with N = count / enabled channels, the k-th enabled
 * channel's samples fill destination[k*N .. k*N + N - 1]. overload[c] is set
 * to 1 when a word of channel c + 1 carries the overload bit, else 0.
 * option1 and option2 must be 1 (volts; channel blocks). Returns
 * ZEB44_ERR_PROTOCOL for a word with a wrong tag or out of channel order
 * (overload then all 0, destination undefined). */
int32_t ZEB44_ProcessData(ModuleRecord* module, const uint32_t* source, double* destination,
                          int32_t count, int32_t option1, int32_t option2, uint8_t overload[ZEB44_CHANNELS]);

#ifdef __cplusplus
}
#endif

#endif
