#include "app/QtArguments.h"

QtArguments::QtArguments(const char *programName, bool offscreen)
{
    m_texts.emplace_back(programName ? programName : "PelkUpdater");
    if (offscreen) {
        m_texts.emplace_back("-platform");
        m_texts.emplace_back("offscreen");
    }
    for (QByteArray &text : m_texts)
        m_pointers.push_back(text.data());
    m_argc = static_cast<int>(m_texts.size());
    m_pointers.push_back(nullptr);
}
