#include "ui/LumivexApp.h"

CLumivexApp::~CLumivexApp()
{
    // The frame and its view refer to the document: they go first.
    m_mainWnd.reset();
    m_document.reset();
}

bool CLumivexApp::InitInstance(const FrameFactory& createFrame)
{
    m_document = std::make_unique<CLumivexDoc>();
    m_mainWnd = createFrame(*m_document);
    if (!m_mainWnd)
        return false;
    m_mainWnd->show();
    return true;
}
