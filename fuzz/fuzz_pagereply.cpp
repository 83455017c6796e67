// A page reply through to the option table: the reply's reading, the table fill with the
// catalog's labels and editors, and the values the editors stand for, merged into the page
// the way a save merges them.
//
// Input: the page key, a line break, the reply body; optionally a form feed and a
// descriptions catalog to fill with instead of the sample catalog.

#include "fuzzsupport.h"

#include "core/descriptions/catalog.h"
#include "core/device/choicelist.h"
#include "core/device/modulereplies.h"
#include "core/device/optionrows.h"
#include "core/device/pagemerge.h"
#include "core/json/jsontext.h"
#include "support/mainwindowprobe.h"
#include "support/rowbyrowpage.h"
#include "window/device/roweditors.h"

#include <QCoreApplication>
#include <QTableWidget>

#include <optional>

namespace {

struct Input
{
    QString pageKey;
    QByteArray body;
    QJsonObject descriptions;
};

Input splitInput(const QByteArray &input)
{
    Input parts;
    const int keyEnd = input.indexOf('\n');
    parts.pageKey = QString::fromUtf8(keyEnd < 0 ? input : input.left(keyEnd));
    const QByteArray rest = keyEnd < 0 ? QByteArray() : input.mid(keyEnd + 1);
    const int catalogStart = rest.indexOf('\f');
    if (catalogStart < 0) {
        parts.body = rest;
        parts.descriptions = fuzz::sampleCatalog();
    } else {
        parts.body = rest.left(catalogStart);
        catalog::parseCatalog(rest.mid(catalogStart + 1), &parts.descriptions);
    }
    return parts;
}

// Saving keeps the shape of the page: the same options, the same members in every group,
// and text stays text.
void checkShape(const QJsonObject &page, const QJsonObject &saved)
{
    const QStringList keys = page.keys();
    FUZZ_CHECK(saved.keys() == keys);
    for (const QString &key : keys) {
        const QJsonValue before = page.value(key);
        const QJsonValue after = saved.value(key);
        if (isOptionGroup(before)) {
            FUZZ_CHECK(after.toObject().keys() == before.toObject().keys());
            continue;
        }
        FUZZ_CHECK(before.isString() == after.isString());
    }
}

void clearTable(MainWindowProbe &probe)
{
    probe.clearpage();
    // The table releases its editors with deleteLater(); no event loop runs here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Fills the table with the page's options and checks every row's editor. Returns the page
// object a save would send if the user had touched every row and left it as shown: the
// values the editors stand for, merged the way the save merges (PageMerge), checked against
// storing row by row.
QJsonObject fillAndRewrite(MainWindowProbe &probe, const QJsonObject &page)
{
    clearTable(probe);
    probe.filltable(page);
    QTableWidget *table = probe.tableWidget();

    const int rows = table->rowCount();
    FUZZ_CHECK(probe.rowTypes().size() == rows);
    FUZZ_CHECK(probe.rowKeys().size() == rows);
    FUZZ_CHECK(probe.rowEditors().size() == rows);
    FUZZ_CHECK(probe.rowPlaces().size() == rows);

    PageMerge merge(page);
    QJsonObject rowByRow = page;
    for (int row = 0; row < rows; ++row) {
        FUZZ_CHECK(table->item(row, kLabelColumn));
        const RowEditor &editor = probe.rowEditors().at(row);
        const int kind = probe.rowTypes().at(row);
        FUZZ_CHECK(editor.kind == kind);
        // An editor of its kind, in its place: the save reads it without looking.
        FUZZ_CHECK(table->cellWidget(row, kValueColumn) == editor.widget);
        FUZZ_CHECK((editor.widget != nullptr) == (kind != GroupHeader && kind != TextCell));
        EditorState cell;
        const EditorState *now = rowEditorState(editor, table, row, &cell);
        FUZZ_CHECK((now != nullptr) == (kind != GroupHeader && kind != NestedField && kind != JsonField));
        if (!now)
            continue;
        // Nothing is written back from a table nobody touched.
        FUZZ_CHECK(!rowEditorChanged(editor, *now));

        const RowPlace &place = probe.rowPlaces().at(row);
        const QJsonValue stored = rowbyrow::storedValue(rowByRow, place);
        const std::optional<QJsonValue> value = rowEditorValue(editor, *now);
        // Only a choice outside its list has no value of its own: it is shown after the
        // list's entries and the save leaves the module's value as it is.
        if (!value) {
            FUZZ_CHECK(kind == ChoiceBox);
            FUZZ_CHECK(now->state == editor.choices->entries.size());
            FUZZ_CHECK(choiceEntryOf(editor.choices->entries, stored) < 0);
            continue;
        }
        // Every editor shows text and integers as they are.
        if (kind == TextField || kind == TextCell || kind == NumberField)
            FUZZ_CHECK(sameJsonValue(*value, stored));
        // A choice writes back the JSON type the module sent.
        if (kind == ChoiceBox)
            FUZZ_CHECK(value->isString() == stored.isString());
        merge.store(place, *value);
        rowbyrow::storeValue(&rowByRow, place, *value);
    }
    const QJsonObject saved = merge.result();
    if (!sameJsonValue(saved, rowByRow)) {
        std::fprintf(stderr, "merged:      %s\nrow by row:  %s\n", compactJson(saved).constData(),
                     compactJson(rowByRow).constData());
    }
    FUZZ_CHECK(sameJsonValue(saved, rowByRow));
    return saved;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::startWindow(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Input input = splitInput(fuzz::bytes(data, size));
    MainWindowProbe probe(fuzz::window());
    probe.pageKey() = input.pageKey;
    probe.descriptions() = input.descriptions;

    const PageReply reply = readPageReply(input.body, input.pageKey);
    if (reply.kind != PageReply::Page) {
        FUZZ_CHECK(reply.values.isEmpty());
        return 0;
    }
    FUZZ_CHECK(!reply.values.isEmpty());
    fuzz::checkLookups(reply.values);
    const QJsonObject page = reply.values.value(input.pageKey).toObject();

    // Rewriting every row changes only what the editors cannot show as it was (a flag of 2);
    // doing that again changes nothing more.
    const QJsonObject saved = fillAndRewrite(probe, page);
    const QJsonObject savedAgain = fillAndRewrite(probe, saved);
    if (!sameJsonValue(savedAgain, saved)) {
        std::fprintf(stderr, "saved:       %s\nsaved again: %s\n", compactJson(saved).constData(),
                     compactJson(savedAgain).constData());
    }
    FUZZ_CHECK(sameJsonValue(savedAgain, saved));
    checkShape(page, saved);
    clearTable(probe);
    return 0;
}
