/*
 * glm_scan.cpp - the text scanner of the OBJ and MTL readers: a file read
 * whole into memory and taken apart with the rules of stdio's formatted input
 * (white-space delimited tokens, line reads of bounded size, decimal numbers),
 * every read bounded by the end of the text. Both passes of the OBJ reader scan
 * the same bytes, so what one pass reads the other reads the same way.
 *
 * Depends on: libc, the C++17 <charconv> float parser.
 */
#include "glm_internal.h"

#include <charconv>    /* std::from_chars: locale-free float parsing */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------- */

static inline int isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

static inline void skipSpace(GlmScan *scan)
{
    while (scan->p < scan->end && isSpace(*scan->p))
        scan->p++;
}

/* A float the way strtof reads one: optional sign, decimal digits with an
 * optional point and exponent, or inf / nan. */
static int parseFloat(const char **text, const char *end, GLfloat *value)
{
    const char *p = *text;
    int negative = 0;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        p++;
    }
    if (p >= end || *p == '+' || *p == '-')
        return 0;
    float parsed = 0.0f;
    std::from_chars_result result = std::from_chars(p, end, parsed, std::chars_format::general);
    if (result.ptr == p)
        return 0;
    if (result.ec == std::errc::result_out_of_range) {
        char number[64];
        size_t length = (size_t)(result.ptr - p);
        if (length >= sizeof(number))
            length = sizeof(number) - 1;
        memcpy(number, p, length);
        number[length] = '\0';
        parsed = strtof(number, NULL);
    }
    *value = negative ? -parsed : parsed;
    *text = result.ptr;
    return 1;
}

/* ---- Public functions ------------------------------------------------------- */

void __glmScanLoad(GlmScan *scan, FILE *file, const char *path)
{
    size_t capacity = 1 << 16;
    size_t length = 0;
    char *text = (char *)__glmMalloc(capacity + 1);
    if (fseek(file, 0, SEEK_END) == 0) {
        long size = ftell(file);
        if (size > 0 && (unsigned long)size < (size_t)-1 / 2) {
            /* one byte more than the file, so that reading it whole ends the
             * loop below at once */
            __glmFree(text);
            capacity = (size_t)size + 1;
            text = (char *)__glmMalloc(capacity + 1);
        }
    }
    rewind(file);
    for (;;) {
        length += fread(text + length, 1, capacity - length, file);
        if (length < capacity)
            break;
        capacity *= 2;
        text = (char *)__glmRealloc(text, capacity + 1);
    }
    if (ferror(file))
        __glmFatalError("can't read file \"%s\".", path);
    text[length] = '\0';
    scan->text = text;
    scan->length = length;
    scan->p = text;
    scan->end = text + length;
}

void __glmScanRelease(GlmScan *scan)
{
    __glmFree(scan->text);
    scan->text = NULL;
    scan->p = scan->end = NULL;
    scan->length = 0;
}

void __glmScanRewind(GlmScan *scan)
{
    scan->p = scan->text;
}

size_t __glmScanToken(GlmScan *scan, char *token)
{
    skipSpace(scan);
    const char *start = scan->p;
    const char *limit = scan->end - start > GLM_TOKEN_MAX ? start + GLM_TOKEN_MAX : scan->end;
    const char *p = start;
    while (p < limit && !isSpace(*p))
        p++;
    size_t length = (size_t)(p - start);
    memcpy(token, start, length);
    token[length] = '\0';
    scan->p = p;
    return length;
}

size_t __glmScanLine(GlmScan *scan, char *line, size_t size)
{
    size_t available = (size_t)(scan->end - scan->p);
    size_t length = size - 1 < available ? size - 1 : available;
    const char *newline = (const char *)memchr(scan->p, '\n', length);
    if (newline)
        length = (size_t)(newline - scan->p) + 1;
    memcpy(line, scan->p, length);
    line[length] = '\0';
    scan->p += length;
    return length;
}

void __glmScanSkipLine(GlmScan *scan)
{
    size_t available = (size_t)(scan->end - scan->p);
    size_t length = available < GLM_TOKEN_MAX ? available : GLM_TOKEN_MAX;
    const char *newline = (const char *)memchr(scan->p, '\n', length);
    scan->p = newline ? newline + 1 : scan->p + length;
}

int __glmScanFloat(GlmScan *scan, GLfloat *value)
{
    skipSpace(scan);
    return parseFloat(&scan->p, scan->end, value);
}

int __glmScanUint(GlmScan *scan, GLuint *value)
{
    return __glmParseUint(&scan->p, value);
}

int __glmParseUint(const char **text, GLuint *value)
{
    const char *p = *text;
    while (isSpace(*p))
        p++;
    int negative = 0;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        p++;
    }
    if (*p < '0' || *p > '9')
        return 0;
    uint64_t number = 0;
    int overflow = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        if (number > (UINT64_MAX - 9) / 10)
            overflow = 1;
        else
            number = number * 10 + (uint64_t)(*p - '0');
    }
    /* strtoul's reading cut to 32 bits: too large gives all bits set, a minus
     * sign negates modulo the word size */
    *value = overflow ? GLM_NONE : (GLuint)(negative ? 0 - number : number);
    *text = p;
    return 1;
}

char *__glmLastOfTwoWords(char *line)
{
    char *p = line;
    while (isSpace(*p))
        p++;
    char *word = p;
    while (*p && !isSpace(*p))
        p++;
    if (!*p) {
        return word;
    }
    *p++ = '\0';
    while (isSpace(*p))
        p++;
    if (!*p)
        return word;
    char *second = p;
    while (*p && !isSpace(*p))
        p++;
    *p = '\0';
    return second;
}
