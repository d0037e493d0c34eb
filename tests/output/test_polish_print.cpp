// The print dialog opens in the page mode it was left in.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QPushButton>

#include "output/PrintFUnit.h"
#include "platform/printer.h"
#include "support/pagesupport.h"
#include "support/printsupport.h"

namespace {

TEST(PolishPrintDialog, RemembersThePageModeWhereThereArePages) {
    printsupport::PrivateSettings settings;
    platform::ImagePrinterService printer{748, 1091};
    printer.setResolution(100);
    platform::SetPrinter(&printer);
    dib chart = printsupport::solidChart(400, 300, 0xFF0000);
    dib grid = pagesupport::stitchGrid(120, 150);

    // Left in the pages mode; then opened without a grid (the mode cannot
    // be offered, and must not be forgotten for it); then with one again.
    struct Step {
        bool withGrid;
        bool setMulti;
        bool expectChecked;
        int expectWidth;
    } steps[] = {{true, true, false, 427}, {false, false, false, 427}, {true, false, true, 627}};
    for (const Step& st : steps) {
        TPrintForm f(nullptr);
        f.di = chart;
        f.grid = st.withGrid ? grid : dib{};
        bool ran = false;
        printsupport::whenModal<TPrintForm>([&](TPrintForm* d) {
            ran = true;
            EXPECT_EQ(d->MultiPageCheck->isChecked(), st.expectChecked);
            EXPECT_EQ(d->width(), st.expectWidth);
            if (st.setMulti) d->MultiPageCheck->setChecked(true);
            d->CancelBitBtn2->click();
        });
        f.ShowModal();
        EXPECT_TRUE(ran);
    }
    platform::SetPrinter(nullptr);
    deldib(chart);
    freedib(grid);
}

}  // namespace
