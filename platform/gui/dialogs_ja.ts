<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- Texts of Qt's own print and file dialogs that Debian's qtbase_ja.qm
     lacks, under Qt 6.4's contexts and source texts. -->
<TS version="2.1" language="ja_JP">
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>ドライブ</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>フォルダ</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>不明</translation>
    </message>
</context>
<context>
    <name>QCupsPrinterSupport</name>
    <message>
        <source>Authentication Needed</source>
        <translation>認証が必要です</translation>
    </message>
    <message>
        <source>Authentication needed to use %1.</source>
        <translation>%1 を使うには認証が必要です。</translation>
    </message>
    <message>
        <source>Authentication needed to use %1 on %2.</source>
        <translation>%2 の %1 を使うには認証が必要です。</translation>
    </message>
    <message>
        <source>Username:</source>
        <translation>ユーザ名:</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>パスワード:</translation>
    </message>
</context>
<context>
    <name>QPrintDialog</name>
    <message>
        <source>Invalid Pages Definition</source>
        <translation>ページ指定の誤り</translation>
    </message>
    <message>
        <source>%1 does not follow the correct syntax. Please use &apos;,&apos; to separate ranges and pages, &apos;-&apos; to define ranges and make sure ranges do not intersect with each other.</source>
        <translation>%1 は正しい書き方ではありません。ページと範囲は「,」で区切り、範囲は最初と最後のページを「-」でつなぎ、範囲どうしが重ならないように指定してください。</translation>
    </message>
    <message>
        <source>Duplex Settings Conflicts</source>
        <translation>両面印刷の設定の矛盾</translation>
    </message>
    <message>
        <source>There are conflicts in duplex settings. Do you want to fix them?</source>
        <translation>両面印刷の設定が矛盾しています。修正しますか？</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesDialog</name>
    <message>
        <source>Advanced Option Conflicts</source>
        <translation>詳細設定の矛盾</translation>
    </message>
    <message>
        <source>There are conflicts in some advanced options. Do you want to fix them?</source>
        <translation>詳細設定の一部が矛盾しています。修正しますか？</translation>
    </message>
    <message>
        <source>Page Setup Conflicts</source>
        <translation>ページ設定の矛盾</translation>
    </message>
    <message>
        <source>There are conflicts in page setup options. Do you want to fix them?</source>
        <translation>ページ設定が矛盾しています。修正しますか？</translation>
    </message>
</context>
<context>
    <name>QPrintPropertiesWidget</name>
    <message>
        <source>Advanced</source>
        <translation>詳細設定</translation>
    </message>
    <message>
        <source>There are conflicts in some options. Please fix them.</source>
        <translation>設定の一部が矛盾しています。修正してください。</translation>
    </message>
</context>
<context>
    <name>QPrintSettingsOutput</name>
    <message>
        <source>Pages</source>
        <translation>ページ指定</translation>
    </message>
    <message>
        <source>Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.</source>
        <translation>ページまたは範囲をコンマで区切って指定します。範囲は2つのページ番号をハイフンでつないで指定します。例えば 3,5-7,9 と指定すると、3、5、6、7、9 ページを印刷します。</translation>
    </message>
    <message>
        <source>Double Sided Printing</source>
        <translation>両面印刷</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>しない</translation>
    </message>
    <message>
        <source>Long side binding</source>
        <translation>長辺綴じ</translation>
    </message>
    <message>
        <source>Short side binding</source>
        <translation>短辺綴じ</translation>
    </message>
</context>
</TS>
