/* zebapi: the crate system of a ZEB crate server.
 *
 * Lists the crates the crate server knows, their type and the id of the
 * module in each of the 16 slots. Every function returns a 32-bit signed
 * status: 0 = success, negative = failure (codes below).
 *
 * The crate server is reached over TCP at 127.0.0.1, port 11111. The
 * environment variable ZEB_SERVER_PORT, when set to a port number, replaces
 * that port (for a second server beside a production one).
 */
#ifndef ZEBAPI_H
#define ZEBAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZEB_SERIAL_SIZE 16
#define ZEB_MAX_CRATES 16
#define ZEB_SLOT_COUNT 16
#define ZEB_MODULE_ID_ZEB44 0x1616u
#define ZEB_DEFAULT_PORT 11111u

/* Status codes. */
#define ZEB_OK 0
#define ZEB_ERR_ARGUMENT (-1)     /* null pointer or value out of range */
#define ZEB_ERR_NOT_OPEN (-2)     /* handle not connected */
#define ZEB_ERR_CONNECT (-3)      /* no crate server answered */
#define ZEB_ERR_IO (-4)           /* connection dropped or timed out */
#define ZEB_ERR_PROTOCOL (-5)     /* malformed reply */
#define ZEB_ERR_NO_CRATE (-6)     /* no crate with that serial */
#define ZEB_ERR_REFUSED (-7)      /* the server refused the request */

/* The caller's crate handle, at most 36 bytes, prepared by ZEB_Init once
 * and reused for several ZEB_Open/ZEB_Close cycles. */
typedef struct CrateHandle {
    uint8_t Reserved0[6];               /* 0: library private */
    char Serial[ZEB_SERIAL_SIZE];       /* 6: crate serial; empty after ZEB_Init = list crates */
    uint16_t Option22;                  /* 22: caller sets 0 after ZEB_Init */
    int32_t Connection;                 /* 24: library private (socket + 1; 0 = closed) */
    uint32_t Magic;                     /* 28: library private */
    uint32_t Reserved32;                /* 32: library private */
} CrateHandle;

/* Crate description, at most 8 bytes. */
typedef struct CrateInfo {
    uint8_t TypeCode;                   /* 0: crate type code */
    uint8_t Reserved[7];
} CrateInfo;

/* Clears the handle (serial empty) and marks it prepared. It does not close
 * a connection the handle may still hold: that is ZEB_Close's work, since a
 * handle's earlier content is not trusted. */
int32_t ZEB_Init(CrateHandle* handle);
/* Connects to the crate server (closing the handle's earlier connection).
 * Serial empty: a listing connection (ZEB_GetCrates); otherwise that crate
 * (ZEB_ERR_NO_CRATE when the server does not know it). With no server
 * listening it fails at once with ZEB_ERR_CONNECT (the connect wait is at
 * most 0.5 s); so does a server that refuses the client (one at its client
 * limit hangs up at once). Every query waits at most 2 s for its answer; a failed
 * exchange (ZEB_ERR_IO, ZEB_ERR_PROTOCOL) closes the connection, after which
 * the queries return ZEB_ERR_NOT_OPEN. A handle that never saw ZEB_Init
 * gets ZEB_ERR_ARGUMENT from every function. */
int32_t ZEB_Open(CrateHandle* handle);
/* serials: 16 entries of 16 bytes, zero-filled by the caller; an entry whose
 * first byte is 0 ends the list. */
int32_t ZEB_GetCrates(CrateHandle* handle, char serials[ZEB_MAX_CRATES][ZEB_SERIAL_SIZE]);
/* A crate connection only (a listing connection gets ZEB_ERR_ARGUMENT);
 * info->TypeCode = crate type code. */
int32_t ZEB_GetCrateInfo(CrateHandle* handle, CrateInfo* info);
/* A crate connection only. ids: entry k is the module id in slot k + 1; 0 = empty slot. */
int32_t ZEB_GetCrateModules(CrateHandle* handle, uint16_t ids[ZEB_SLOT_COUNT]);
int32_t ZEB_Close(CrateHandle* handle);

#ifdef __cplusplus
}
#endif

#endif
