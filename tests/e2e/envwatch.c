/* Stands in front of the C library's setenv() and putenv() in a program
   started with it in LD_PRELOAD, and notes in the file that
   SFP_ENVWATCH_FILE names every assignment of QT_QPA_PLATFORM: the panel
   asks the toolkit for a platform on its command line, never through its
   environment, which a browser started from the About box would inherit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char watched[] = "QT_QPA_PLATFORM";

static void note(const char *assignment)
{
    const char *path = getenv("SFP_ENVWATCH_FILE");
    if (!path || !*path)
        return;
    int fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    ssize_t written = write(fd, assignment, strlen(assignment));
    written = write(fd, "\n", 1);
    (void)written;
    close(fd);
}

int setenv(const char *name, const char *value, int overwrite)
{
    static int (*next)(const char *, const char *, int);
    if (!next)
        next = (int (*)(const char *, const char *, int))dlsym(RTLD_NEXT, "setenv");
    if (name && strcmp(name, watched) == 0)
        note(value ? value : "");
    return next ? next(name, value, overwrite) : -1;
}

int putenv(char *string)
{
    static int (*next)(char *);
    if (!next)
        next = (int (*)(char *))dlsym(RTLD_NEXT, "putenv");
    if (string && strncmp(string, watched, sizeof watched - 1) == 0 &&
        string[sizeof watched - 1] == '=')
        note(string + sizeof watched);
    return next ? next(string) : -1;
}
