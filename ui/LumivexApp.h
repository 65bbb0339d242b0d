// The application object: it creates the document, then the main frame
// (which creates the view and the bars) through the factory it is given,
// and shows the main window. The program keeps no settings.
#pragma once

#include <functional>
#include <memory>

#include <QWidget>

#include "app/LumivexDoc.h"

class CLumivexApp {
public:
    // Makes the main frame for the document; null when it cannot be made.
    using FrameFactory = std::function<std::unique_ptr<QWidget>(CLumivexDoc&)>;

    CLumivexApp() = default;
    ~CLumivexApp();
    CLumivexApp(const CLumivexApp&) = delete;
    CLumivexApp& operator=(const CLumivexApp&) = delete;

    // False when the document or the frame cannot be made: the program
    // then ends.
    bool InitInstance(const FrameFactory& createFrame);

    CLumivexDoc* GetDocument() const { return m_document.get(); }
    QWidget* GetMainWnd() const { return m_mainWnd.get(); }

private:
    std::unique_ptr<CLumivexDoc> m_document;
    std::unique_ptr<QWidget> m_mainWnd;
};
