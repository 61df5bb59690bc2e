// A stand-in for the main window in tests of the batch run: holds the four field texts,
// records what the run writes, and keeps the progress position within Min..Max whenever
// Max > Min, as the bar does.
#pragma once

#include "app/BatchRun.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using Texts = std::vector<std::wstring>;

class NullBusyCursor final : public IBusyCursor {
public:
    void ShowBusy() override {}
    void Restore() override {}
};

class FakeHost final : public IBatchHost {
public:
    std::wstring sourceFolder;
    std::wstring sourceSuffix = L".tbi";
    std::wstring newSuffix = L".jpg";
    std::wstring exportFolder;
    bool answer = true;
    std::function<void(int step)> onMessages; // step counts from 1

    Texts statuses;
    std::vector<double> positions; // the position after each write, as the bar keeps it
    std::vector<double> maxes;
    Texts questions;
    Texts opened;
    int messageSteps = 0;

    std::wstring SourceFolderText() override { return sourceFolder; }
    std::wstring SourceSuffixText() override { return sourceSuffix; }
    std::wstring NewSuffixText() override { return newSuffix; }
    std::wstring ExportFolderText() override { return exportFolder; }
    void SetStatusText(const std::wstring& text) override { statuses.push_back(text); }
    double ProgressPosition() override { return m_position; }
    void SetProgressPosition(double position) override
    {
        m_position = Clamped(position);
        positions.push_back(m_position);
    }
    void SetProgressMax(double max) override
    {
        m_max = max;
        if (m_max < m_min)
            m_min = m_max;
        m_position = Clamped(m_position);
        maxes.push_back(max);
    }
    void ProcessMessages() override
    {
        ++messageSteps;
        if (onMessages)
            onMessages(messageSteps);
    }
    bool AskClosingQuestion(const std::wstring& text) override
    {
        questions.push_back(text);
        return answer;
    }
    void OpenExportFolder(const std::wstring& folder) override { opened.push_back(folder); }
    IBusyCursor& BusyCursor() override { return m_cursor; }

private:
    double Clamped(double x) const { return m_max > m_min ? std::clamp(x, m_min, m_max) : x; }

    double m_min = 0;
    double m_max = 100;
    double m_position = 0;
    NullBusyCursor m_cursor;
};
