// The main frame of a suite: a 1200 x 800 card (window at 400..800 x
// 200..600) shown at full size in a 1600 x 1200 window. The frame, with
// every skin and the font list, is built once per suite; each test starts
// from a fresh, saved card in template mode with the bars as the frame
// starts them.
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>

#include "app/LumivexDoc.h"
#include "bars/DlgBarPhoto.h"
#include "bars/DlgBarText.h"
#include "controls/ColourButton.h"
#include "controls/FontComboBox.h"
#include "controls/SizeComboBox.h"
#include "tests/app/TemplateFolder.h"
#include "ui/MainFrame.h"
#include "view/LumivexView.h"

class SharedFrame : public testing::Test {
public:
    static void SetUpTestSuite() { s_shared = new Shared; }
    static void TearDownTestSuite()
    {
        delete s_shared;
        s_shared = nullptr;
    }

protected:
    void SetUp() override
    {
        ASSERT_TRUE(s_shared->folder.Written());
        CLumivexView& view = m_frame.GetView();
        if (view.GetMode() == MODE_EDITING)
            view.GetEditor().hide();  // ends the editing
        m_document.NewCard();
        m_document.MarkSaved();
        CDlgBarText& text = m_frame.GetTextBar();
        text.setEnabled(true);
        // As at the start: the default face selected where the list has it.
        text.FontBox().setCurrentIndex(-1);
        text.FontBox().SelectFaceName(QStringLiteral("Times New Roman"));
        text.SizeBox().SelectSize(48);
        text.ColourButton().SetSelectedColour(RGB(255, 255, 255));
        m_frame.GetPhotoBar().findChild<QPushButton*>()->setChecked(false);
        m_frame.show();
        m_frame.resize(1600, 1200);
        ASSERT_EQ(m_document.Card().GetFrameSize(), (SIZE{1200, 800}));
        ASSERT_EQ(view.GetMode(), MODE_TEMPLATE);
    }

    struct Shared {
        testtemplates::TemplateFolder folder{1200, 800, {400, 200, 800, 600}};
        CLumivexDoc document{folder.Path()};
        CMainFrame frame{document};
    };
    static inline Shared* s_shared = nullptr;

    CLumivexDoc& m_document = s_shared->document;
    CMainFrame& m_frame = s_shared->frame;
};
