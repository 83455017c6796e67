#pragma once

#include <QtGlobal>

// Every text the window shows or logs, named once. Shown texts go through tr() (context
// "MainWindow") or QCoreApplication::translate() with the dialog's own context.
namespace uitexts {

// Main window
inline constexpr const char *windowTitle = QT_TRANSLATE_NOOP("MainWindow", "Quillnet Configurator");
inline constexpr const char *saveButton = QT_TRANSLATE_NOOP("MainWindow", "Сохранить");
inline constexpr const char *settingsHeader = QT_TRANSLATE_NOOP("MainWindow", "  Настройки  ");
inline constexpr const char *valueHeader = QT_TRANSLATE_NOOP("MainWindow", "Значение");
inline constexpr const char *filterPlaceholder = QT_TRANSLATE_NOOP("MainWindow", "Найти настройку");
inline constexpr const char *fileMenu = QT_TRANSLATE_NOOP("MainWindow", "Файл");
inline constexpr const char *modulesEditorAction = QT_TRANSLATE_NOOP("MainWindow", "Редактор модулей");
inline constexpr const char *updateDescriptionsAction = QT_TRANSLATE_NOOP("MainWindow", "Обновить описания");
inline constexpr const char *exitAction = QT_TRANSLATE_NOOP("MainWindow", "Выход");
inline constexpr const char *helpMenu = QT_TRANSLATE_NOOP("MainWindow", "Справка");
inline constexpr const char *aboutAction = QT_TRANSLATE_NOOP("MainWindow", "О программе");
inline constexpr const char *exitShortcut = "Ctrl+Q";
inline constexpr const char *saveAction = QT_TRANSLATE_NOOP("MainWindow", "Сохранить");
inline constexpr const char *reloadAction = QT_TRANSLATE_NOOP("MainWindow", "Обновить страницу");
inline constexpr const char *reloadShortcuts = "F5; Ctrl+R";

// Message boxes
inline constexpr const char *errorTitle = QT_TRANSLATE_NOOP("MainWindow", "Ошибка");
inline constexpr const char *unsavedEditsTitle = QT_TRANSLATE_NOOP("MainWindow", "Изменения не сохранены");
inline constexpr const char *unsavedEdits
    = QT_TRANSLATE_NOOP("MainWindow", "Настройки страницы изменены. Сохранить их на модуле?");
inline constexpr const char *aboutTitle = QT_TRANSLATE_NOOP("MainWindow", "О программе");
inline constexpr const char *aboutText = QT_TRANSLATE_NOOP(
    "MainWindow", "Программа конфигуратор модулей Quillnet<br> Версия 0.0.7 Beta<br>Дата сборки ");

// Module list
inline constexpr const char *modulePrompt = QT_TRANSLATE_NOOP("MainWindow", "Выберете модуль");
inline constexpr const char *modulesEditorTitle = QT_TRANSLATE_NOOP("DialogUI", "Редактор модулей");

// Page list and pages
inline constexpr const char *connectFailed
    = QT_TRANSLATE_NOOP("MainWindow", "Не удалось подключится к устройству");
inline constexpr const char *noApiOptions
    = QT_TRANSLATE_NOOP("MainWindow", "На модуле не установлена опция \"API Options\"");
inline constexpr const char *unknownError = QT_TRANSLATE_NOOP("MainWindow", "Не опознанная ошибка");
inline constexpr const char *pageLoadFailed
    = QT_TRANSLATE_NOOP("MainWindow", "Не удалось загрузить страницу");
inline constexpr const char *emptyPage = QT_TRANSLATE_NOOP("MainWindow", "Пустая страница");
inline constexpr const char *saveFailed = QT_TRANSLATE_NOOP("MainWindow", "Не удалось сохранить страницу");
// A save that found the page changed on the module, and one the read-back does not confirm.
inline constexpr const char *saveTitle = QT_TRANSLATE_NOOP("MainWindow", "Сохранение");
inline constexpr const char *saveConflict = QT_TRANSLATE_NOOP("MainWindow", "Параметры изменились на модуле");
inline constexpr const char *saveConflictQuestion
    = QT_TRANSLATE_NOOP("MainWindow", "Записать ваши значения поверх? Остальные изменения модуля останутся.");
inline constexpr const char *writeAnyway = QT_TRANSLATE_NOOP("MainWindow", "Записать");
inline constexpr const char *cancelSave = QT_TRANSLATE_NOOP("MainWindow", "Отмена");
inline constexpr const char *saveNotKept = QT_TRANSLATE_NOOP("MainWindow", "Модуль не сохранил изменения");
// A box about a page no longer on screen names it; the details of every save box.
inline constexpr const char *savedPageLine = QT_TRANSLATE_NOOP("MainWindow", "Страница %1 модуля %2");
inline constexpr const char *detailsModule = QT_TRANSLATE_NOOP("MainWindow", "Модуль: %1");
inline constexpr const char *detailsPage = QT_TRANSLATE_NOOP("MainWindow", "Страница: %1");
inline constexpr const char *detailsReason = QT_TRANSLATE_NOOP("MainWindow", "Причина: %1");
inline constexpr const char *detailsConflict
    = QT_TRANSLATE_NOOP("MainWindow", "%1: было %2, на модуле теперь %3, ваше %4");
inline constexpr const char *detailsDiffers
    = QT_TRANSLATE_NOOP("MainWindow", "%1: записано %2, на модуле %3");
inline constexpr const char *detailsNoValue = QT_TRANSLATE_NOOP("MainWindow", "нет");
inline constexpr const char *jsonParserError = QT_TRANSLATE_NOOP("MainWindow", "Ошибка парсера json!");
inline constexpr const char *nestedReadOnly
    = QT_TRANSLATE_NOOP("MainWindow", "Только чтение: вложенный объект здесь не изменяется");
inline constexpr const char *jsonReadOnly
    = QT_TRANSLATE_NOOP("MainWindow", "Только чтение: значение такого типа здесь не изменяется");
inline constexpr const char *noNumber
    = QT_TRANSLATE_NOOP("MainWindow", "Не введено число, страница не сохранена: %1");
inline constexpr const char *valueEditorTitle = QT_TRANSLATE_NOOP("ValueUI", "Многострочный редактор");

// Descriptions catalog
inline constexpr const char *descriptionsReadError
    = QT_TRANSLATE_NOOP("MainWindow", "Ошибка чтения файла описаний ");
inline constexpr const char *descriptionsUpdatedTitle = QT_TRANSLATE_NOOP("MainWindow", "О программе");
inline constexpr const char *descriptionsUpdated
    = QT_TRANSLATE_NOOP("MainWindow", "Описания успешно обновлены");

// Log lines
inline constexpr const char *logErrorLoad = "error load";
inline constexpr const char *logDownloadFailed = "error !!!";
inline constexpr const char *logWarningPage = "Warning page";
inline constexpr const char *logPage = "page:";
inline constexpr const char *logSaveSeparator = "----------------------------";

} // namespace uitexts
