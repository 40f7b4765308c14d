/*
 * glm_scan.cpp - the text scanner of the OBJ and MTL readers: a file read
 * whole into memory and taken apart into white-space delimited tokens, lines
 * and decimal numbers, every read bounded by the end of the text. A token or
 * a line is always consumed whole, however long, so the rest of a long line
 * is never taken for a statement. Both passes of the OBJ reader scan the same
 * bytes, so what one pass reads the other reads the same way.
 *
 * Depends on: glm_file.cpp (reading the file), libc, the C++17 <charconv>
 * float parser.
 */
#include "glm_internal.h"

#include <charconv>    /* std::from_chars: locale-free float parsing */
#include <ctype.h>
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

/* White space up to, not across, the end of the line. */
static inline void skipBlanks(GlmScan *scan)
{
    while (scan->p < scan->end && *scan->p != '\n' && isSpace(*scan->p))
        scan->p++;
}

/* End of the current line: just past its line break, or the end of the text. */
static inline const char *lineEnd(const GlmScan *scan)
{
    const char *newline = (const char *)memchr(scan->p, '\n', (size_t)(scan->end - scan->p));
    return newline ? newline + 1 : scan->end;
}

/* std::from_chars of a float. The web build's C++ library has none: there
 * strtof reads a bounded copy, held to what from_chars takes (no leading
 * blank, no hexadecimal form). Its locale is "C" in both builds. */
static std::from_chars_result readFloat(const char *p, const char *end, float *value)
{
#ifdef __EMSCRIPTEN__
    char copy[64];
    size_t length = (size_t)(end - p) < sizeof copy - 1 ? (size_t)(end - p) : sizeof copy - 1;
    memcpy(copy, p, length);
    copy[length] = '\0';
    std::from_chars_result result = {p, std::errc()};
    if (length == 0 || isspace((unsigned char)copy[0]))
        return result;
    if (copy[0] == '0' && (copy[1] == 'x' || copy[1] == 'X'))
        copy[1] = '\0';   /* from_chars takes the 0 alone */
    char *stop = copy;
    *value = strtof(copy, &stop);
    result.ptr = p + (stop - copy);
    return result;
#else
    return std::from_chars(p, end, *value, std::chars_format::general);
#endif
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
    std::from_chars_result result = readFloat(p, end, &parsed);
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

/* Where the digits of a whole number begin after white space and an optional
 * sign (negative set for a minus); null when no digit follows. */
static const char *digitsAfterSign(const char *p, int *negative)
{
    while (isSpace(*p))
        p++;
    if (*p == '+' || *p == '-') {
        *negative = *p == '-';
        p++;
    }
    return *p >= '0' && *p <= '9' ? p : nullptr;
}

/* An unsigned decimal as strtoul reads one (optional sign, white space first). */
static int parseUint(const char **text, GLuint *value)
{
    int negative = 0;
    const char *p = digitsAfterSign(*text, &negative);
    if (p == nullptr)
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

/* ---- Public functions ------------------------------------------------------- */

int __glmScanLoad(GlmScan *scan, const char *path, const char **why)
{
    size_t length = 0;
    char *text = __glmReadFile(path, GLM_FILE_MAX, &length, why);
    if (!text)
        return -1;
    scan->text = text;
    scan->length = length;
    scan->p = text;
    scan->end = text + length;
    return 0;
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
    const char *p = start;
    while (p < scan->end && !isSpace(*p))
        p++;
    size_t length = (size_t)(p - start);
    if (length > GLM_TOKEN_MAX)
        length = GLM_TOKEN_MAX;
    memcpy(token, start, length);
    token[length] = '\0';
    scan->p = p;
    return length;
}

char *__glmScanLine(GlmScan *scan, size_t *length)
{
    const char *end = lineEnd(scan);
    size_t size = (size_t)(end - scan->p);
    char *line = (char *)__glmMalloc(size + 1);
    memcpy(line, scan->p, size);
    line[size] = '\0';
    scan->p = end;
    if (length)
        *length = size;
    return line;
}

void __glmScanSkipLine(GlmScan *scan)
{
    scan->p = lineEnd(scan);
}

int __glmScanFloat(GlmScan *scan, GLfloat *value)
{
    skipBlanks(scan);
    return parseFloat(&scan->p, scan->end, value);
}

int __glmScanUint(GlmScan *scan, GLuint *value)
{
    skipBlanks(scan);
    if (*scan->p == '\n')
        return 0;
    return parseUint(&scan->p, value);
}

int __glmParseIndex(const char **text, long long *value)
{
    int negative = 0;
    const char *p = digitsAfterSign(*text, &negative);
    if (p == nullptr)
        return 0;
    long long number = 0;
    for (; *p >= '0' && *p <= '9'; p++)
        if (number <= GLM_INDEX_LIMIT)
            number = number * 10 + (*p - '0');
    if (number > GLM_INDEX_LIMIT)
        number = GLM_INDEX_LIMIT + 1;
    *value = negative ? -number : number;
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
