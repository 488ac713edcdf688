<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>Kel::ExternalProgramsPage</name>
    <message>
        <source>PDF viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;PDF viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Web browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use the system&apos;s &amp;default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use the system&apos;s de&amp;fault</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: use the system&apos;s default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use this &amp;command:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use this co&amp;mmand:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: use this command</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>program and arguments, %1 for the file or address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 command line</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A program, in double quotes when its path holds blanks, then its arguments; %1 stands for the file or address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>B&amp;rowse…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for the %1 program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: what would start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Try</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tr&amp;y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Try the %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens a sample PDF file as the page shows it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opens %1 as the page shows it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: result of the try</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The sample PDF file is not installed, so nothing can be tried.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This application opens nothing with the system&apos;s default.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The system names no default program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The system&apos;s default: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the PDF viewer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose the web browser</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Programs (*.exe *.com);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Started: it opens %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It did not start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A double quote has no partner, so the program&apos;s name is cut wrongly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no program to start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 is not found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 cannot be run: it is not an executable file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quote marks would reach the program around the file or address; write %1 without quotes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The address is empty or begins with &apos;-&apos;, so it is not opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 is a relative path, which depends on the folder the application is started from; give its absolute path.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 is a batch file, which is not started: Windows would read characters such as &amp; in a file name or address as commands.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Starts %1 with %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>As written, it would start %1 with %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Kel::RecentProjectsMenu</name>
    <message>
        <source>%1 %2 — %3</source>
        <comment>recent project: number, file name, folder</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No Recent Projects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Clear List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Recent Projects</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
