// A print session with a print-settings ticket and a fresh context, for the settings tests. The
// pane's window is built on request.
#pragma once

#include "support/PaneWindow.h"
#include "support/PlatformTest.h"
#include "sync/TicketSync.h"

#include <cstdlib>
#include <string>

class SettingsTest : public PlatformTest {
  protected:
    void SetUp() override {
        PlatformTest::SetUp();
        ASSERT_EQ(PMCreateSession(&session_), noErr);
        ASSERT_EQ(PMTicketCreate(nullptr, CFSTR("settings"), &ticket_), noErr);
        ASSERT_TRUE(PlatformHost::setSessionTicket(session_, kPDE_PMPrintSettingsRef, ticket_));
        context_ = allocateAccountingContext();
        ASSERT_NE(context_, nullptr);
    }

    void TearDown() override {
        if (pane_.window != nullptr) {
            DisposeWindow(pane_.window);
        }
        freeAccountingContext(context_);
        PMRelease(session_);
        PMRelease(ticket_);
        PlatformTest::TearDown();
    }

    PMPDEContext pde() { return reinterpret_cast<PMPDEContext>(context_); }
    OSStatus load() { return Sync(pde(), session_, kSyncLoad); }
    OSStatus store() { return Sync(pde(), session_, kSyncStore); }

    void buildPane(PaneWiring wiring = PaneWiring::ContextFields) {
        pane_ = buildPaneWindow(context_, wiring);
    }
    ControlRef control(SInt32 number) { return paneControl(pane_, number); }

    void putInt(const char* key, SInt32 value) {
        PlatformHost::TicketItem item;
        item.type = PlatformHost::TicketItem::Type::SInt32;
        item.number = value;
        PlatformHost::putTicketItem(ticket_, key, item);
    }
    void putString(const char* key, const std::string& text) {
        PlatformHost::TicketItem item;
        item.type = PlatformHost::TicketItem::Type::CString;
        item.text = text;
        PlatformHost::putTicketItem(ticket_, key, item);
    }
    PlatformHost::TicketItem item(const char* key) {
        PlatformHost::TicketItem found;
        found.client = "<missing>";
        PlatformHost::ticketItem(ticket_, key, &found);
        return found;
    }
    void setFieldText(SInt32 number, const std::string& text) {
        SetControlData(control(number), 0, kControlEditTextTextTag, static_cast<Size>(text.size()),
                       text.data());
    }
    std::string fieldText(SInt32 number) {
        PlatformHost::ControlState state;
        PlatformHost::controlState(control(number), &state);
        return state.text;
    }

    PMPrintSession session_ = nullptr;
    PMTicketRef ticket_ = nullptr;
    AccountingContext* context_ = nullptr;
    PaneWindow pane_;
};
