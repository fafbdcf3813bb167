/* Timestamp line of the run log, shared by the plain C programs of the
   benchmark. */
#ifndef BASELINE_LOG_TIME_H
#define BASELINE_LOG_TIME_H
#include <stdio.h>
#include <time.h>

static void log_time(FILE *log)
{
    time_t t = time(NULL);
    struct tm *l = localtime(&t);
    fprintf(log, "[%d/%d/%i  %d:%d:%d]\n", l->tm_mday, l->tm_mon + 1, l->tm_year + 1900, l->tm_hour, l->tm_min,
            l->tm_sec);
}
#endif
