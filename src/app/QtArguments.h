#pragma once

#include <QByteArray>
#include <vector>

// The command line that Qt gets: the program's name alone, so that no argument of the user
// reaches Qt's own option parser (which aborts on "-platform nonexistent"); our switches are
// scanned from the real arguments. QCoreApplication::arguments() is therefore not the user's.
// Without a display the offscreen platform is chosen, so that an unattended run can check.
class QtArguments
{
public:
    QtArguments(const char *programName, bool offscreen);
    QtArguments(const QtArguments &) = delete;
    QtArguments &operator=(const QtArguments &) = delete;

    // QApplication keeps references to both for its whole life.
    int &argc() { return m_argc; }
    char **argv() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_texts;
    std::vector<char *> m_pointers;
    int m_argc = 0;
};
