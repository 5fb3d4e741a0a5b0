<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>kelp::ColourWindow</name>
    <message>
        <source>颜色设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>结果预览</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>n. 海；海洋；许多；大量</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文本颜色</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文本背景</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>窗口背景</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::Commands</name>
    <message>
        <source>暂停(Alt+x)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>静音(Alt+a)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>隐藏(Atl+z)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上一组(向下键)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下一组(向上键)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>上一条(向左键)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下一条(向右键)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>加入我的生词本(Alt+d)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>认识</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不认识</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>颜色设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>其他设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>方向键热键</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>认识(%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不认识(%1)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::PaletteWindow</name>
    <message>
        <source>颜色选项</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::SettingsWindow</name>
    <message>
        <source>设置</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文本文件 (*.TXT *.txt);;dat Files (*.dat);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请选择以26个字母命名的文件夹的上一级文件夹</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复习周期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>周期%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>天</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>用户DSN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>wav路径</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>浏览</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测试wav文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测试</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TTS配制</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>英文朗读引擎:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音频输出设备:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>测试文本：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>窗口是否透明</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>是</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>否</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据来源类型：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1.按复习周期</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2.分组起止</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3.文本文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>记录号：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分组起：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>分组止：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文本文件名：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>定时间隔时间：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>我的博客 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存且重启</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>退出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>用户数据源名称不能为空!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件夹选择被取消</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没找到文件:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>设备错误</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法正常播放WAV文件！</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新进入本软件后新的用户DSN才生效</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>保存失败</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::WordBook</name>
    <message>
        <source>另一个训练程序刚修改过这里，这次修改没有保存；词库已重新载入。
(%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取词库：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法写入词库：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单词不能为空；要去掉它，请删除这个单词。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改释义</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改音标</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组号不能超过%1。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单词不能为空。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>没有第%1组。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请选中新组的第一个单词：它前面至少要留下一个单词。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::WordWindow</name>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件不能打开</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件写入错误</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::config</name>
    <message>
        <source>not a regular file</source>
        <translation>不是普通文件</translation>
    </message>
    <message>
        <source>larger than %1 bytes</source>
        <translation>大于 %1 字节</translation>
    </message>
    <message>
        <source>locked by another program</source>
        <translation>被其他程序锁定</translation>
    </message>
    <message>
        <source>; the file may end with a partial line</source>
        <translation>；文件末尾可能有不完整的一行</translation>
    </message>
    <message>
        <source>the file belongs to another user</source>
        <translation>文件属于另一个用户</translation>
    </message>
    <message>
        <source>the file is a link in a folder that cannot be written; it was not followed</source>
        <translation>该文件是一个位于不可写文件夹中的链接；没有跟随它写入</translation>
    </message>
</context>
<context>
    <name>kelp::export</name>
    <message>
        <source>the notebook %1 cannot be read: %2</source>
        <translation>无法读取生词本 %1：%2</translation>
    </message>
</context>
<context>
    <name>kelp::import</name>
    <message>
        <source>an Anki collection over 512 MB</source>
        <translation>超过 512 MB 的 Anki 集合</translation>
    </message>
    <message>
        <source>the collection cannot be unpacked: %1</source>
        <translation>无法解压集合：%1</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>a damaged compressed collection (%1)</source>
        <translation>压缩的集合已损坏（%1）</translation>
    </message>
    <message>
        <source>a damaged compressed collection (it ends early)</source>
        <translation>压缩的集合已损坏（提前结束）</translation>
    </message>
    <message>
        <source>the collection is not an Anki collection: %1</source>
        <translation>这个集合不是 Anki 集合：%1</translation>
    </message>
    <message>
        <source>the collection cannot be read: %1</source>
        <translation>无法读取集合：%1</translation>
    </message>
    <message>
        <source>a broken zip: %1</source>
        <translation>损坏的 zip 文件：%1</translation>
    </message>
    <message>
        <source>a zip without an Anki collection</source>
        <translation>不含 Anki 集合的 zip 文件</translation>
    </message>
    <message>
        <source>no temporary file for the collection: %1</source>
        <translation>无法为集合建立临时文件：%1</translation>
    </message>
    <message>
        <source>the collection cannot be opened: %1</source>
        <translation>无法打开集合：%1</translation>
    </message>
    <message>
        <source>--columns: &quot;%1&quot; is none of word, phonetic, pos, meaning, -</source>
        <translation>--columns：“%1”不是 word、phonetic、pos、meaning、- 之一</translation>
    </message>
    <message>
        <source>--columns names %1 twice</source>
        <translation>--columns 两次指定了 %1</translation>
    </message>
    <message>
        <source>--columns must name a word and a meaning column</source>
        <translation>--columns 必须指定单词列（word）和释义列（meaning）</translation>
    </message>
    <message>
        <source>not XML</source>
        <translation>不是 XML</translation>
    </message>
    <message>
        <source>XML that is not KVTML (root element &lt;%1&gt;)</source>
        <translation>不是 KVTML 的 XML（根元素 &lt;%1&gt;）</translation>
    </message>
    <message>
        <source>KVTML version %1, which is not known</source>
        <translation>未知的 KVTML 版本 %1</translation>
    </message>
    <message>
        <source>lessons nested more than %1 deep</source>
        <translation>课程嵌套超过 %1 层</translation>
    </message>
    <message>
        <source>not valid %1 at line %2</source>
        <translation>第 %2 行不是有效的 %1</translation>
    </message>
    <message>
        <source>broken KVTML at line %1: %2</source>
        <translation>第 %1 行的 KVTML 有错：%2</translation>
    </message>
    <message>
        <source>lesson entries that do not exist</source>
        <translation>课程中不存在的条目</translation>
    </message>
    <message>
        <source>a UTF-16 file over 64 MB</source>
        <translation>超过 64 MB 的 UTF-16 文件</translation>
    </message>
    <message>
        <source>the file changed while it was read</source>
        <translation>读取期间文件被修改了</translation>
    </message>
    <message>
        <source>neither UTF-8 nor GB18030 text: bytes that are no character in either from line %1 on</source>
        <translation>既不是 UTF-8 也不是 GB18030 文本：从第 %1 行起有两种编码都无法识别的字节</translation>
    </message>
    <message>
        <source>%1 stray bytes replaced (line %2)</source>
        <translation>替换了 %1 个无法识别的字节（第 %2 行）</translation>
    </message>
    <message>
        <source>line %1 is over 1 MB long</source>
        <translation>第 %1 行超过 1 MB</translation>
    </message>
    <message>
        <source>the file changed while it was read (at line %1)</source>
        <translation>读取期间文件被修改了（第 %1 行）</translation>
    </message>
    <message>
        <source>a quote opened on line %1 is never closed</source>
        <translation>第 %1 行开始的引号没有结束</translation>
    </message>
    <message>
        <source>line %1 has a field over 64 KB</source>
        <translation>第 %1 行有超过 64 KB 的字段</translation>
    </message>
    <message>
        <source>the word and meaning columns cannot be told apart (columns %1); say which they are, e.g. --columns word,phonetic,meaning</source>
        <translation>无法分辨单词列和释义列（各列：%1）；请指定，例如 --columns word,phonetic,meaning</translation>
    </message>
    <message>
        <source>notes without a word and a meaning field</source>
        <translation>笔记中没有单词字段和释义字段</translation>
    </message>
    <message>
        <source>comment lines</source>
        <translation>注释行</translation>
    </message>
    <message>
        <source>repeated header lines</source>
        <translation>重复的表头行</translation>
    </message>
    <message>
        <source>word#meaning list</source>
        <translation>“单词#释义”列表</translation>
    </message>
    <message>
        <source>Anki notes in plain text</source>
        <translation>纯文本的 Anki 笔记</translation>
    </message>
    <message>
        <source>Anki package</source>
        <translation>Anki 卡片包</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知格式</translation>
    </message>
    <message>
        <source>a folder</source>
        <translation>这是一个文件夹</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>不是普通文件</translation>
    </message>
    <message>
        <source>an empty file</source>
        <translation>空文件</translation>
    </message>
    <message>
        <source>a binary file, not text</source>
        <translation>二进制文件，不是文本</translation>
    </message>
    <message>
        <source>markup that is not KVTML (%1)</source>
        <translation>不是 KVTML 的标记文本（%1）</translation>
    </message>
    <message>
        <source>neither &quot;word#meaning&quot; lines nor columns of words and meanings</source>
        <translation>既不是“单词#释义”格式的行，也不是单词和释义的列</translation>
    </message>
    <message>
        <source>%1: nothing added: %2</source>
        <translation>%1：没有导入任何单词：%2</translation>
    </message>
    <message>
        <source>%1: nothing added: --columns is for CSV and TSV files; this is %2</source>
        <translation>%1：没有导入任何单词：--columns 只用于 CSV 和 TSV 文件；这个文件是%2</translation>
    </message>
    <message>
        <source>no words in it</source>
        <translation>文件中没有单词</translation>
    </message>
    <message>
        <source>%1: nothing added: %2 (read as %3)</source>
        <translation>%1：没有导入任何单词：%2（按%3读取）</translation>
    </message>
    <message>
        <source>; %1 groups already there (--again adds them anyway)</source>
        <translation>；%1 组已经在数据库中（用 --again 可再次导入）</translation>
    </message>
    <message>
        <source>; skipped %1 %2</source>
        <translation>；跳过 %1 个%2</translation>
    </message>
    <message>
        <source>%1: %2 words in %3 groups added (%4)%5; into %6</source>
        <translation>%1：导入了 %3 组共 %2 个单词（%4）%5；导入到 %6</translation>
    </message>
    <message>
        <source>markup nested more than %1 deep</source>
        <translation>标记嵌套超过 %1 层</translation>
    </message>
</context>
<context>
    <name>kelp::plan</name>
    <message>
        <source>answers: %1 words graded; known when due again: %2 of %3 (%4%); recalled at 90% or more today: %5 words; words due: %6</source>
        <translation>答题：已评分 %1 个单词；到期再认出：%3 次中 %2 次（%4%）；今天回忆率 90% 以上：%5 个单词；待复习单词：%6</translation>
    </message>
    <message>
        <source>the plan&apos;s day could not be recorded</source>
        <translation>无法记录学习计划的这一天</translation>
    </message>
    <message>
        <source>the plan could not be saved (the database may be locked or read-only)</source>
        <translation>无法保存学习计划（数据库可能被锁定或只读）</translation>
    </message>
    <message>
        <source>today %1: %2 groups, %3 words%4</source>
        <translation>今天 %1：%2 组，%3 个单词%4</translation>
    </message>
    <message>
        <source>next %1 days: %2</source>
        <translation>今后 %1 天：%2</translation>
    </message>
    <message>
        <source>groups: %1 in all (%2 words), %3 new (%4 words), by next review stage %5, %6 retired</source>
        <translation>组：共 %1 组（%2 个单词），新组 %3 组（%4 个单词），按下一复习阶段 %5，已完成 %6 组</translation>
    </message>
    <message>
        <source>last %1 weeks (# ran, x reviews missed): %2</source>
        <translation>最近 %1 周（# 运行过，x 漏了复习）：%2</translation>
    </message>
    <message>
        <source>no study plan yet: set [plan] new=1 in wkcfg.ini and start the trainer in review mode</source>
        <translation>还没有学习计划：请在 wkcfg.ini 中设置 [plan] new=1，并以复习模式启动背单词程序</translation>
    </message>
    <message>
        <source>, </source>
        <translation>，</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation>（%1）</translation>
    </message>
</context>
<context>
    <name>kelp::platform</name>
    <message>
        <source>install the driver&apos;s package</source>
        <translation>请安装该驱动程序的软件包</translation>
    </message>
    <message>
        <source>install the package %1</source>
        <translation>请安装软件包 %1</translation>
    </message>
    <message>
        <source>the ODBC library %1 cannot be opened (%2): %3</source>
        <translation>无法打开 ODBC 库 %1（%2）：%3</translation>
    </message>
    <message>
        <source>the ODBC driver %1 cannot be opened: %2</source>
        <translation>无法打开 ODBC 驱动程序 %1：%2</translation>
    </message>
    <message>
        <source>cannot allocate an ODBC environment</source>
        <translation>无法分配 ODBC 环境</translation>
    </message>
    <message>
        <source>no key makes %1 on this keyboard; hot key skipped</source>
        <translation>这个键盘上没有能按出 %1 的键；跳过这个热键</translation>
    </message>
    <message>
        <source>another program holds the hot key %1; skipped (&quot;kelpword &lt;command&gt;&quot; does the same, see kelpword --help)</source>
        <translation>另一个程序占用了热键 %1；跳过（“kelpword &lt;命令&gt;”有同样的作用，见 kelpword --help）</translation>
    </message>
</context>
<context>
    <name>kelp::progress</name>
    <message>
        <source>学习进度  %1   今天 %2 组 %3 词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>未来两周每天的组数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>最近十二周：绿色为学习过的日子，红色为错过复习的日子</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>各阶段的组数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第%1轮</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已完成</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>学习进度</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::session</name>
    <message>
        <source>生词本</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无数据</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::settings</name>
    <message>
        <source>打开文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>初始化文件 (*.ini)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开初始化文件</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>您可能还未安装语音库</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取得引擎失败</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>取得音频设备失败(可能未安装声卡)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>调运speak函数失败,请重新进行TTS配制。</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::study</name>
    <message>
        <source>无法打开文件:%1(%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不是普通文件,不能作为单词文件读入:%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件正被其他程序使用:%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>文件太大(超过%1 MB),不能作为单词文件读入:%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>读取文件出错:%1(%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelp::studydb</name>
    <message>
        <source>no word to grade</source>
        <translation>没有可评分的单词</translation>
    </message>
    <message>
        <source>the answer was not kept</source>
        <translation>答案未能保存</translation>
    </message>
    <message>
        <source>the answer could not be committed</source>
        <translation>答案无法提交</translation>
    </message>
    <message>
        <source>cannot connect</source>
        <translation>无法连接</translation>
    </message>
    <message>
        <source>the database&apos;s encoding is %1, not UTF8 (make it with createdb -E UTF8)</source>
        <translation>数据库的编码是 %1，不是 UTF8（请用 createdb -E UTF8 建立）</translation>
    </message>
    <message>
        <source>cannot connect to the data source %1: %2</source>
        <translation>无法连接数据源 %1：%2</translation>
    </message>
    <message>
        <source>%1 holds no study tables (make them with kelpword-mkdb --dsn): %2</source>
        <translation>%1 中没有学习数据表（请用 kelpword-mkdb --dsn 建立）：%2</translation>
    </message>
    <message>
        <source>the data source %1 cannot be written: %2</source>
        <translation>无法写入数据源 %1：%2</translation>
    </message>
    <message>
        <source>no database</source>
        <translation>没有数据库</translation>
    </message>
    <message>
        <source>the study database %1 is not a regular file</source>
        <translation>学习数据库 %1 不是普通文件</translation>
    </message>
    <message>
        <source>%1 exists already</source>
        <translation>%1 已经存在</translation>
    </message>
    <message>
        <source>cannot open the study database %1: %2</source>
        <translation>无法打开学习数据库 %1：%2</translation>
    </message>
    <message>
        <source>the study database %1 cannot be written: %2</source>
        <translation>无法写入学习数据库 %1：%2</translation>
    </message>
    <message>
        <source>cannot make the study database %1: %2</source>
        <translation>无法建立学习数据库 %1：%2</translation>
    </message>
    <message>
        <source>%1 is not a study database: %2</source>
        <translation>%1 不是学习数据库：%2</translation>
    </message>
    <message>
        <source>group numbers end at %1, and words are left over; larger groups (--group-size N) make fewer of them</source>
        <translation>组号最大为 %1，还有单词没有组可放；更大的组（--group-size N）可以减少组数</translation>
    </message>
    <message>
        <source>without a word</source>
        <translation>没有单词的条目</translation>
    </message>
    <message>
        <source>the words could not be committed to %1</source>
        <translation>无法把单词提交到 %1</translation>
    </message>
    <message>
        <source>another program made it meanwhile; import again</source>
        <translation>这期间另一个程序建立了它；请重新导入</translation>
    </message>
    <message>
        <source>the study database %1 could not be put in place: %2</source>
        <translation>无法把学习数据库 %1 放到位：%2</translation>
    </message>
    <message>
        <source>the data-source name (DSN_Name in [ODBC] of wkcfg.ini) is empty; no data source is registered</source>
        <translation>数据源名称（wkcfg.ini 中 [ODBC] 的 DSN_Name）是空的；没有注册数据源</translation>
    </message>
    <message>
        <source>the data source %1 points at %2, not at this program folder&apos;s %3; give this folder a data source name of its own ([ODBC] DSN_Name)</source>
        <translation>数据源 %1 指向 %2，而不是这个程序文件夹的 %3；请给这个文件夹一个自己的数据源名称（[ODBC] DSN_Name）</translation>
    </message>
    <message>
        <source>cannot connect to data source %1: %2</source>
        <translation>无法连接数据源 %1：%2</translation>
    </message>
    <message>
        <source>connecting to data source %1 failed (%2); registering it again</source>
        <translation>连接数据源 %1 失败（%2）；重新注册后再试</translation>
    </message>
    <message>
        <source>the study database&apos;s path cannot be handed to the ODBC driver (it holds &quot;;&quot;); start the program from its own folder</source>
        <translation>学习数据库的路径无法交给 ODBC 驱动（其中含有“;”）；请在程序自己的文件夹中启动程序</translation>
    </message>
    <message>
        <source>cannot connect to the study database %1: %2</source>
        <translation>无法连接学习数据库 %1：%2</translation>
    </message>
    <message>
        <source>group numbers run from 1 to %1, not %2</source>
        <translation>组号只能是 1 到 %1，不能是 %2</translation>
    </message>
    <message>
        <source>no study database %1</source>
        <translation>没有学习数据库 %1</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>无法打开 %1：%2</translation>
    </message>
    <message>
        <source>the study database is of version %1, made by a newer program; this one knows version %2 at most and leaves it as it is</source>
        <translation>学习数据库是第 %1 版，由更新的程序建立；本程序最多认识第 %2 版，不会改动它</translation>
    </message>
    <message>
        <source>the upgrade could not be committed</source>
        <translation>无法提交升级</translation>
    </message>
    <message>
        <source>the study database could not be upgraded from version %1 to %2 (it is left as it was): %3</source>
        <translation>学习数据库无法从第 %1 版升级到第 %2 版（保持原样）：%3</translation>
    </message>
    <message>
        <source>the study database was upgraded from version %1 to %2</source>
        <translation>学习数据库已从第 %1 版升级到第 %2 版</translation>
    </message>
</context>
<context>
    <name>kelp::wordbook</name>
    <message>
        <source>the last change is still being saved</source>
        <translation>上一次修改还在保存中</translation>
    </message>
    <message>
        <source>the study database did not answer within %1 s; the change may still be saved when it answers (重新载入 shows what it holds)</source>
        <translation>学习数据库在 %1 秒内没有回应；它回应后这次修改仍可能被保存（“重新载入”可显示它现在的内容）</translation>
    </message>
    <message>
        <source>修改组标题</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除%1个单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加单词“%1”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移动%1个单词到第%2组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除第%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新建第%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>拆分第%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组号</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>标题</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>词数</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>阶段</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>下次复习</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>音标</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>释义</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>稳定性(天)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>复习日</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>词库</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法打开词库：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>词库 - %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>搜索单词或释义（英文、中文）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>撤销</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重做</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除选中的单词（焦点在组列表时删除选中的组）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加单词…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新建组…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移到组…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>从此拆分</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先选中新组的第一个单词。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>重新载入</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法读取词库：%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>修改会立即写入词库；单词和释义的改正会立即显示在正在运行的单词窗口中，其他修改（删除、移动、拆分）在下次载入时显示。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>删除第%1组“%2”和它的%3个单词？（可以撤销）</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>添加单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>第%1组的新单词：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”的释义：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新建组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>新组的标题：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>请先选中要移动的单词。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>移到组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>把%1个单词移到：</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>打印%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已打印%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出选中的%1组</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出全部词库</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV 表格 (*.csv);;词表文件 (*.txt);;Anki 卡组 (*.apkg)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导出</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>已导出%1组到 %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelpword-gui</name>
    <message>
        <source>The trainer studies a word file now; it shows the new words in review mode (其他设置: 1.按复习周期) with a study plan.</source>
        <translation>程序现在学习的是单词文本文件；新单词在复习模式（其他设置：1.按复习周期）下由学习计划引入。</translation>
    </message>
    <message>
        <source>The study plan brings the new groups in from the trainer&apos;s next start on a new day, %1 a day, before any sample group.</source>
        <translation>从程序在新的一天的下次启动起，学习计划每天引入 %1 个新组，先于示例单词。</translation>
    </message>
    <message>
        <source>The new groups are in the study database from the trainer&apos;s next start; a study plan ([plan] new=1 in wkcfg.ini) brings them in for review.</source>
        <translation>从程序下次启动起，新组就在学习数据库中；学习计划（在 wkcfg.ini 中设置 [plan] new=1）会把它们引入复习。</translation>
    </message>
    <message>
        <source>%1 cannot be started: %2</source>
        <translation>无法启动 %1：%2</translation>
    </message>
    <message>
        <source>The import ended unexpectedly; nothing of the file it was reading was added.</source>
        <translation>导入意外结束；正在读取的文件中的单词都没有导入。</translation>
    </message>
    <message>
        <source>Word lists (*.csv *.tsv *.txt *.apkg *.kvtml *.xml);;All files (*)</source>
        <translation>单词表 (*.csv *.tsv *.txt *.apkg *.kvtml *.xml);;所有文件 (*)</translation>
    </message>
    <message>
        <source>this is a Wayland session: the hot keys reach the trainer only while one of its windows has the focus; bind commands such as &quot;kelpword next&quot; as desktop shortcuts instead (kelpword --help lists them)</source>
        <translation>这是 Wayland 会话：只有程序的某个窗口有焦点时热键才起作用；请把“kelpword next”等命令设为桌面快捷键（kelpword --help 列出了这些命令）</translation>
    </message>
    <message>
        <source>cannot use %1 as the program folder</source>
        <translation>无法把 %1 用作程序文件夹</translation>
    </message>
    <message>
        <source>there is no wkcfg.ini in this folder, so the trainer asks for one; &quot;kelpword --user-folder&quot; runs it in your own folder, as the menu does</source>
        <translation>这个文件夹中没有 wkcfg.ini，所以程序要求选择一个；“kelpword --user-folder”像菜单里的程序一样在你自己的文件夹中运行它</translation>
    </message>
    <message>
        <source>database query failed (status %1): %2 - database %3</source>
        <translation>数据库查询失败（状态 %1）：%2 —— 数据库 %3</translation>
    </message>
    <message>
        <source>提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>本程序已经运行!按Alt+z键能显示隐藏的窗口。按确定退出本次运行的程序。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>错误提示</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>无法确认本程序是否已经运行(单实例锁不安全):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>海带单词 Kelp Words</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>海带单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>右下角的小窗口是海带单词：它逐个显示英语单词、音标和中文释义，并读出单词。单击托盘图标可隐藏或显示它，右键单击它可打开菜单。</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>出错信息</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>不能打开系统出错日志文件！</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>写系统出错日志文件出错！</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>系统消息 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>您选择了声音</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>。无法播放此声音。请选择其他声音或选择不同的音频输出设备。 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>出错后请重新进行TTS配制。错误信息:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>其他出错 </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>内容详见安装文件夹下system_error.log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>数据库错!cur_product</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>找不到文件:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>。请正确配制后重新启动本程序</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入单词</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>导入单词…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>选择单词表</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>kelpword-mkdb</name>
    <message>
        <source>usage: kelpword-mkdb [--today YYYY-MM-DD] [--review-days 1t2t4t7t15t] [--due 1,4,7 | --due-every N] [--force] &lt;words.txt&gt; &lt;kelp.mdb&gt;
       kelpword-mkdb [same options] --dsn NAME &lt;words.txt&gt;
  --dsn NAME     make the tables in the ODBC data source NAME (a server)
  --due LIST     groups due for review today (default: every third, starting with 1)
  --due-every N  every Nth group is due today (0: none)
  --force        replace an existing database
  --help, --version
</source>
        <translation>用法：kelpword-mkdb [--today YYYY-MM-DD] [--review-days 1t2t4t7t15t] [--due 1,4,7 | --due-every N] [--force] &lt;words.txt&gt; &lt;kelp.mdb&gt;
      kelpword-mkdb [同样的选项] --dsn NAME &lt;words.txt&gt;
  --dsn NAME     在 ODBC 数据源 NAME（数据库服务器）中建立数据表
  --due LIST     今天要复习的组（默认：从第 1 组起每三组一组）
  --due-every N  每 N 组中有一组今天要复习（0：没有）
  --force        替换已有的数据库
  --help, --version
</translation>
    </message>
    <message>
        <source>cannot connect to %1: %2</source>
        <translation>无法连接 %1：%2</translation>
    </message>
    <message>
        <source>%1 holds study tables already (use --force to replace them)</source>
        <translation>%1 中已有学习数据表（用 --force 替换）</translation>
    </message>
    <message>
        <source>could not write %1 (nothing was changed): %2</source>
        <translation>无法写入 %1（什么也没有改变）：%2</translation>
    </message>
    <message>
        <source>could not write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>%1: %2 groups (%3 due on %4), %5 words</source>
        <translation>%1：%2 组（%4 要复习 %3 组），%5 个单词</translation>
    </message>
    <message>
        <source>%1 exists (use --force to replace it)</source>
        <translation>%1 已经存在（用 --force 替换）</translation>
    </message>
    <message>
        <source>%1 holds %2 groups, but group numbers end at %3; nothing was written</source>
        <translation>%1 有 %2 组，但组号最大为 %3；什么也没有写入</translation>
    </message>
</context>
<context>
    <name>kelpword-study</name>
    <message>
        <source>the picture could not be made</source>
        <translation>无法生成图片</translation>
    </message>
    <message>
        <source>usage:</source>
        <translation>用法：</translation>
    </message>
    <message>
        <source>The study database&apos;s upkeep for Kelp Words.
A call into the database that takes over %1 s, or a run over %2 minutes (import) or %3
minutes (the others), ends the command with status 1; nothing half-written stays.</source>
        <translation>海带单词的学习数据库维护。
对数据库的一次调用超过 %1 秒，或运行超过 %2 分钟（导入）或 %3 分钟（其他命令），
命令就以状态 1 结束；不会留下写了一半的内容。</translation>
    </message>
    <message>
        <source>import, export, progress or words</source>
        <translation>import、export、progress 或 words</translation>
    </message>
    <message>
        <source>the word lists to import</source>
        <translation>要导入的单词表</translation>
    </message>
    <message>
        <source>This help.</source>
        <translation>显示本帮助。</translation>
    </message>
    <message>
        <source>The program folder.</source>
        <translation>程序文件夹。</translation>
    </message>
    <message>
        <source>The menu&apos;s program folder.</source>
        <translation>菜单里的程序所用的程序文件夹（~/.local/share/kelpword）。</translation>
    </message>
    <message>
        <source>An ODBC data source (a server).</source>
        <translation>ODBC 数据源（数据库服务器）。</translation>
    </message>
    <message>
        <source>Words a group at most.</source>
        <translation>每组最多的单词数。</translation>
    </message>
    <message>
        <source>A CSV file&apos;s columns, in order.</source>
        <translation>CSV 文件的各列，按顺序。</translation>
    </message>
    <message>
        <source>Add groups the database holds already.</source>
        <translation>数据库中已有的组也导入。</translation>
    </message>
    <message>
        <source>The sample words of a new user folder.</source>
        <translation>新用户文件夹的示例单词。</translation>
    </message>
    <message>
        <source>Draw the progress to a PNG or SVG file.</source>
        <translation>把学习进度画到 PNG 或 SVG 文件中。</translation>
    </message>
    <message>
        <source>Start the trainer at login.</source>
        <translation>登录时启动背单词程序。</translation>
    </message>
    <message>
        <source>Export the groups A to B.</source>
        <translation>导出第 A 组到第 B 组。</translation>
    </message>
    <message>
        <source>Export the notebook.</source>
        <translation>导出生词本。</translation>
    </message>
    <message>
        <source>Export every group (a backup).</source>
        <translation>导出所有的组（备份）。</translation>
    </message>
    <message>
        <source>--autostart takes on or off</source>
        <translation>--autostart 后面要有 on 或 off</translation>
    </message>
    <message>
        <source>import, export, progress or words?</source>
        <translation>要 import、export、progress 还是 words？</translation>
    </message>
    <message>
        <source>one of --folder, --user-folder and --dsn</source>
        <translation>--folder、--user-folder 和 --dsn 只能用一个</translation>
    </message>
    <message>
        <source>--group-size, --columns, --again and --chart are not for %1</source>
        <translation>--group-size、--columns、--again 和 --chart 不能用于 %1</translation>
    </message>
    <message>
        <source>words takes only the folder or the data source</source>
        <translation>words 只能指定文件夹或数据源</translation>
    </message>
    <message>
        <source>one of --groups, --notebook and --all</source>
        <translation>--groups、--notebook 和 --all 只能用一个</translation>
    </message>
    <message>
        <source>export to one file</source>
        <translation>只能导出到一个文件</translation>
    </message>
    <message>
        <source>the file&apos;s name must end in .csv, .txt or .apkg</source>
        <translation>文件名必须以 .csv、.txt 或 .apkg 结尾</translation>
    </message>
    <message>
        <source>the notebook is in the program folder, not in a data source</source>
        <translation>生词本在程序文件夹中，不在数据源中</translation>
    </message>
    <message>
        <source>unknown command: %1</source>
        <translation>未知命令：%1</translation>
    </message>
    <message>
        <source>--chart is for progress</source>
        <translation>--chart 只用于 progress</translation>
    </message>
    <message>
        <source>--group-size takes a number from 1 to 1000</source>
        <translation>--group-size 后面要有 1 到 1000 之间的数</translation>
    </message>
    <message>
        <source>import what?</source>
        <translation>要导入什么文件？</translation>
    </message>
    <message>
        <source>--group-size, --columns and --again are for import</source>
        <translation>--group-size、--columns 和 --again 只用于 import</translation>
    </message>
    <message>
        <source>progress takes no file</source>
        <translation>progress 不需要文件</translation>
    </message>
    <message>
        <source>%1: %2 words in %3 groups exported from %4</source>
        <translation>%1：从 %4 导出了 %3 组共 %2 个单词</translation>
    </message>
    <message>
        <source>cannot remove %1: %2</source>
        <translation>无法删除 %1：%2</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>cannot make the folder</source>
        <translation>无法建立文件夹</translation>
    </message>
    <message>
        <source>the words window needs a display (DISPLAY is not set)</source>
        <translation>单词窗口需要显示器（没有设置 DISPLAY）</translation>
    </message>
    <message>
        <source>cannot make the folder %1</source>
        <translation>无法建立文件夹 %1</translation>
    </message>
    <message>
        <source>Show the version.</source>
        <translation>显示版本。</translation>
    </message>
</context>
</TS>
