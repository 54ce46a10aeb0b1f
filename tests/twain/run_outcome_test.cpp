#include <gtest/gtest.h>

#include "devices/EZTwain.h"
#include "twain/run_outcome.h"

namespace {

using scan::Acquire;

constexpr std::int32_t code(Acquire a) { return static_cast<std::int32_t>(a); }

TEST(RunOutcome, OnlyARunThatStoppedEarlyIsToldAndOnlyOnce) {
  struct Case {
    const char* what;
    int pages;
    std::int32_t result;  // of the acquisition that ended the run
    QString reason;
    bool pageLost;
    QString told;
  };
  const Case cases[] = {
      {"feeder empty", 3, code(Acquire::NoDocuments), "", false, ""},
      {"Done or Cancel", 1, code(Acquire::Cancelled), "", false, ""},
      {"jammed", 2, code(Acquire::DeviceError), "Document feeder jammed", false,
       "Scanning stopped: Document feeder jammed.\n2 pages were saved, the last as /s/p2.jpg."},
      {"one page, then the disk full", 1, code(Acquire::WriteFailed), "Cannot write /s/p2.bmp: No space left on device.",
       true,
       "Scanning stopped: Cannot write /s/p2.bmp: No space left on device.\n1 page was saved, the last as /s/p1.jpg.\n"
       "The page read last could not be saved; scan it again."},
      {"nothing written", 0, code(Acquire::BadPage), "The scanner sent an incomplete page; it was not saved.", true,
       "Scanning stopped: The scanner sent an incomplete page; it was not saved.\nNo page was saved.\n"
       "The page read last could not be saved; scan it again."},
      {"an answer without a reason", 0, 42, "", false,
       "Scanning stopped: The scanner stopped with code 42.\nNo page was saved."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    twain::RunOutcome run;
    for (int page = 1; page <= c.pages; ++page) twain::PageWritten(run, "/s/p" + QString::number(page) + ".jpg");
    twain::AcquisitionEnded(run, c.result, c.reason, c.pageLost);
    EXPECT_EQ(twain::RunOutcomeMessage(run), c.told);
    run.causeShown = true;  // the library told it already
    EXPECT_EQ(twain::RunOutcomeMessage(run), QString());
  }
}

}  // namespace
