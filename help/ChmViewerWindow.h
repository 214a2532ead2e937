#pragma once

#include <QTextBrowser>
#include <QWidget>
#include <memory>
#include <string>

#include "help/ChmArchive.h"

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv::help {

// Shows the topics of a compiled help file, loading pages, pictures and style sheets from it.
class ChmTopicBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // The scheme of the addresses of topics inside the help file.
    static constexpr const char* kScheme = "qvchm";

    explicit ChmTopicBrowser(QWidget* parent = nullptr);
    // The help file topics are read from (not owned; may be null).
    void setArchive(const ChmArchive* archive);
    // Reads a resource of the help file; nothing for addresses outside it.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    void followLink(const QUrl& link);
    const ChmArchive* m_archive = nullptr;
};

// The built-in help window: the table of contents and the index beside the topic shown.
class ChmViewerWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChmViewerWindow(QWidget* parent = nullptr);
    ~ChmViewerWindow() override;

    // Shows this help file (replacing any other); its contents and index are read at once.
    void setArchive(std::unique_ptr<ChmArchive> archive);
    // The help file shown; null before setArchive.
    const ChmArchive* archive() const { return m_archive.get(); }

    // The contents tab, with the default topic when none is shown yet.
    void showContents();
    // The index tab at the first keyword that starts with the text, and its topic.
    void showIndex(const QString& keyword);
    // The topic (path inside the help file, "#anchor" allowed); false when the file lacks it.
    bool showTopic(const std::string& topic);
    // The path inside the help file of the topic shown; empty when none.
    std::string currentTopic() const;

private:
    void fillContents();
    void fillIndex();
    void selectIndexEntry(const QString& text);
    void syncContents(const QUrl& url);
    void itemActivated(QTreeWidgetItem* item);

    std::unique_ptr<ChmArchive> m_archive;
    QTabWidget* m_tabs = nullptr;
    QTreeWidget* m_contents = nullptr;
    QLineEdit* m_indexFilter = nullptr;
    QListWidget* m_index = nullptr;
    ChmTopicBrowser* m_browser = nullptr;
};

}  // namespace qv::help
