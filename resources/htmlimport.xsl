<?xml version="1.0" encoding="UTF-8"?>
<!--
  HTML to WML: turns a page held as XML (a "body" root, lower-case HTML element and attribute
  names) into a skeleton WML deck of one card. What WML cannot express is flattened, not
  rebuilt; the output is not validated, so nested paragraphs, "lang" attributes and empty links
  may reach it. Loose content in the card is wrapped into paragraphs by the next pass.

  Rule selection relies on XSLT 1.0 default priorities: plain names rank 0; "body/text()",
  "ul/li", the simple-link pattern, "a//text()" and every "td//..." pattern rank 0.5; "a//img" and
  "a//br" are raised to 1 explicitly; "text()" and "comment()" rank -0.5. Elements without a
  rule vanish and leave their processed content.

  Modes: the default one; "split" (the direct content of pre); "table" (a table body, which
  sets the column count); "tr" (the content of a row, flattened into cells); "copy" (an exact
  copy of link or anchor content); "between-items" (what an ordered list holds besides items).

  No white space is stripped from the input: every text node is subject to the rules.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

	<xsl:output method="xml" omit-xml-declaration="yes" encoding="utf-8" indent="no"/>

	<!-- ===== Shared attribute groups ===== -->

	<!-- The language of the context element: xml:lang when it has one, otherwise lang. -->
	<xsl:template name="lang">
		<xsl:choose>
			<xsl:when test="@xml:lang">
				<xsl:copy-of select="@xml:lang"/>
			</xsl:when>
			<xsl:when test="@lang">
				<xsl:copy-of select="@lang"/>
			</xsl:when>
		</xsl:choose>
	</xsl:template>

	<xsl:template name="coreattrs">
		<xsl:copy-of select="@id"/>
		<xsl:copy-of select="@class"/>
	</xsl:template>

	<!--
	  Emits string with every occurrence of break replaced by an empty br; two breaks in a row
	  give two br with nothing between them. Short text (the usual case) is walked from break to
	  break. In text longer than 1000 characters a one-character break (the usual line feed) is
	  found by halving the string, so the recursion depth grows with the logarithm of its length
	  and a pre of many thousand lines still converts.
	-->
	<xsl:template name="split-string">
		<xsl:param name="string"/>
		<xsl:param name="break" select="'&#10;'"/>
		<xsl:choose>
			<xsl:when test="$break = '' or not(contains($string, $break))">
				<xsl:value-of select="$string"/>
			</xsl:when>
			<xsl:when test="string-length($break) = 1 and string-length($string) &gt; 1000">
				<xsl:variable name="half" select="floor(string-length($string) div 2)"/>
				<xsl:call-template name="split-string">
					<xsl:with-param name="string" select="substring($string, 1, $half)"/>
					<xsl:with-param name="break" select="$break"/>
				</xsl:call-template>
				<xsl:call-template name="split-string">
					<xsl:with-param name="string" select="substring($string, $half + 1)"/>
					<xsl:with-param name="break" select="$break"/>
				</xsl:call-template>
			</xsl:when>
			<xsl:otherwise>
				<xsl:value-of select="substring-before($string, $break)"/>
				<br/>
				<xsl:call-template name="split-string">
					<xsl:with-param name="string" select="substring-after($string, $break)"/>
					<xsl:with-param name="break" select="$break"/>
				</xsl:call-template>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!--
	  A comment with the context comment's text. An XML comment may hold neither two hyphens in a
	  row nor a final hyphen, while an HTML comment may; a space goes between adjacent hyphens and
	  after a final one, so the deck stays well-formed.
	-->
	<xsl:template name="comment">
		<xsl:comment>
			<xsl:call-template name="comment-text">
				<xsl:with-param name="text" select="."/>
			</xsl:call-template>
			<xsl:if test="substring(., string-length(.)) = '-'">
				<xsl:value-of select="' '"/>
			</xsl:if>
		</xsl:comment>
	</xsl:template>

	<!-- Halves the text until no piece holds two hyphens in a row, so long rows of them recurse shallowly. -->
	<xsl:template name="comment-text">
		<xsl:param name="text"/>
		<xsl:choose>
			<xsl:when test="not(contains($text, '--'))">
				<xsl:value-of select="$text"/>
			</xsl:when>
			<xsl:otherwise>
				<xsl:variable name="half" select="floor(string-length($text) div 2)"/>
				<xsl:variable name="head" select="substring($text, 1, $half)"/>
				<xsl:variable name="tail" select="substring($text, $half + 1)"/>
				<xsl:call-template name="comment-text">
					<xsl:with-param name="text" select="$head"/>
				</xsl:call-template>
				<xsl:if test="substring($head, $half) = '-' and starts-with($tail, '-')">
					<xsl:value-of select="' '"/>
				</xsl:if>
				<xsl:call-template name="comment-text">
					<xsl:with-param name="text" select="$tail"/>
				</xsl:call-template>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!-- ===== Exact copies (link and anchor content), with comments made legal ===== -->

	<xsl:template match="*" mode="copy">
		<xsl:copy>
			<xsl:copy-of select="@*"/>
			<xsl:apply-templates mode="copy"/>
		</xsl:copy>
	</xsl:template>

	<xsl:template match="comment()" mode="copy">
		<xsl:call-template name="comment"/>
	</xsl:template>

	<xsl:template match="processing-instruction()" mode="copy">
		<xsl:copy/>
	</xsl:template>

	<!-- ===== The deck ===== -->

	<xsl:template match="body">
		<wml>
			<card>
				<xsl:apply-templates/>
			</card>
		</wml>
	</xsl:template>

	<!-- ===== Text and comments ===== -->

	<!-- Text standing directly in the body gets a paragraph of its own. -->
	<xsl:template match="body/text()">
		<p>
			<xsl:value-of select="."/>
		</p>
	</xsl:template>

	<xsl:template match="text()">
		<xsl:value-of select="."/>
	</xsl:template>

	<xsl:template match="comment()">
		<xsl:call-template name="comment"/>
	</xsl:template>

	<!-- ===== Blocks and lists ===== -->

	<xsl:template match="ul | dl | address">
		<p align="left">
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</p>
	</xsl:template>

	<xsl:template match="ul/li">
		<xsl:text>&#183;</xsl:text>
		<xsl:apply-templates/>
		<br/>
	</xsl:template>

	<!--
	  Items count from 1 whatever the list's start attribute says. An item's number is its
	  position among the items, taken while walking them: counting the items before each one, or
	  searching each node's nearest item, would take time in the square of the list's length.
	  Whatever else the list holds (text, stray elements, even the rest of a page when the list
	  was never closed) is processed in its place between the items.
	-->
	<xsl:template match="ol">
		<p align="left">
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:call-template name="between-items">
				<xsl:with-param name="from" select="node()[1][not(self::li)]"/>
				<xsl:with-param name="end" select="li[1]"/>
			</xsl:call-template>
			<xsl:for-each select="li">
				<xsl:value-of select="position()"/>
				<xsl:text>. </xsl:text>
				<xsl:apply-templates/>
				<br/>
				<xsl:variable name="next" select="following-sibling::node()[1]"/>
				<xsl:call-template name="between-items">
					<xsl:with-param name="from" select="$next[not(self::li)]"/>
					<xsl:with-param name="end" select="following-sibling::li[1]"/>
				</xsl:call-template>
			</xsl:for-each>
		</p>
	</xsl:template>

	<!--
	  Processes $from and the siblings after it up to $end, the next item (or the end of the list
	  when $end is empty); $from is not an item, or empty when nothing stands there.
	  Growing (the first call): blocks of 1, 2, 4 ... nodes until the next item. Not growing:
	  the nodes among the $count = 2^$size siblings from $from on, as two halves, down to blocks
	  of 32 that are walked from sibling to sibling. Only constant positions
	  ("following-sibling::node()[8]") let libxml2 stop after that many siblings, hence one
	  branch per block size in the jump below. Depth and work per node stay small however long
	  the stretch.
	-->
	<xsl:template name="between-items">
		<xsl:param name="from"/>
		<xsl:param name="end"/>
		<xsl:param name="size" select="0"/>
		<xsl:param name="count" select="1"/>
		<xsl:param name="grow" select="true()"/>
		<xsl:choose>
			<xsl:when test="not($from)"/>
			<!-- The usual case: one node, white space, between two items. -->
			<xsl:when test="$grow and (not($from/following-sibling::node()[1]) or $from/following-sibling::node()[1]/self::li)">
				<xsl:apply-templates select="$from"/>
			</xsl:when>
			<xsl:when test="$count &lt;= 32 and not($grow)">
				<xsl:apply-templates select="$from" mode="between-items">
					<xsl:with-param name="left" select="$count"/>
				</xsl:apply-templates>
			</xsl:when>
			<xsl:otherwise>
				<xsl:variable name="half" select="$size - number(not($grow))"/>
				<xsl:variable name="halfCount" select="$count div (1 + number(not($grow)))"/>
				<xsl:call-template name="between-items">
					<xsl:with-param name="from" select="$from"/>
					<xsl:with-param name="end" select="$end"/>
					<xsl:with-param name="size" select="$half"/>
					<xsl:with-param name="count" select="$halfCount"/>
					<xsl:with-param name="grow" select="false()"/>
				</xsl:call-template>
				<xsl:variable name="next" select="$from[$half = 0]/following-sibling::node()[1]
					| $from[$half = 1]/following-sibling::node()[2]
					| $from[$half = 2]/following-sibling::node()[4]
					| $from[$half = 3]/following-sibling::node()[8]
					| $from[$half = 4]/following-sibling::node()[16]
					| $from[$half = 5]/following-sibling::node()[32]
					| $from[$half = 6]/following-sibling::node()[64]
					| $from[$half = 7]/following-sibling::node()[128]
					| $from[$half = 8]/following-sibling::node()[256]
					| $from[$half = 9]/following-sibling::node()[512]
					| $from[$half = 10]/following-sibling::node()[1024]
					| $from[$half = 11]/following-sibling::node()[2048]
					| $from[$half = 12]/following-sibling::node()[4096]
					| $from[$half = 13]/following-sibling::node()[8192]
					| $from[$half = 14]/following-sibling::node()[16384]
					| $from[$half = 15]/following-sibling::node()[32768]
					| $from[$half = 16]/following-sibling::node()[65536]
					| $from[$half = 17]/following-sibling::node()[131072]
					| $from[$half = 18]/following-sibling::node()[262144]
					| $from[$half = 19]/following-sibling::node()[524288]
					| $from[$half = 20]/following-sibling::node()[1048576]
					| $from[$half = 21]/following-sibling::node()[2097152]
					| $from[$half = 22]/following-sibling::node()[4194304]"/>
				<!-- The stretch goes on when $next exists and comes before $end. -->
				<xsl:if test="$next and not($next/self::li) and generate-id(($next | $end)[1]) = generate-id($next)">
					<xsl:call-template name="between-items">
						<xsl:with-param name="from" select="$next"/>
						<xsl:with-param name="end" select="$end"/>
						<xsl:with-param name="size" select="$half + number($grow and $half &lt; 22)"/>
						<xsl:with-param name="count" select="$halfCount * (1 + number($grow and $half &lt; 22))"/>
						<xsl:with-param name="grow" select="$grow"/>
					</xsl:call-template>
				</xsl:if>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!-- Processes this node and the ones after it up to the next item, $left nodes at most. -->
	<xsl:template match="node()" mode="between-items">
		<xsl:param name="left"/>
		<xsl:apply-templates select="."/>
		<xsl:if test="$left &gt; 1">
			<xsl:variable name="next" select="following-sibling::node()[1]"/>
			<xsl:apply-templates select="$next[not(self::li)]" mode="between-items">
				<xsl:with-param name="left" select="$left - 1"/>
			</xsl:apply-templates>
		</xsl:if>
	</xsl:template>

	<xsl:template match="dt">
		<b>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</b>
		<br/>
	</xsl:template>

	<xsl:template match="dd">
		<xsl:text>&#160;&#160;</xsl:text>
		<xsl:apply-templates/>
		<br/>
	</xsl:template>

	<xsl:template match="p">
		<p>
			<xsl:copy-of select="@align"/>
			<xsl:copy-of select="@mode"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:if test="node()">
				<xsl:apply-templates/>
			</xsl:if>
		</p>
	</xsl:template>

	<!-- Preformatted text keeps its lines: each line feed of its own text becomes a br. -->
	<xsl:template match="pre">
		<p align="left" mode="nowrap">
			<xsl:apply-templates mode="split"/>
		</p>
	</xsl:template>

	<xsl:template match="text()" mode="split">
		<xsl:call-template name="split-string">
			<xsl:with-param name="string" select="."/>
		</xsl:call-template>
	</xsl:template>

	<!-- Elements inside pre follow the ordinary rules, in their place among the lines. -->
	<xsl:template match="*" mode="split">
		<xsl:apply-templates select="."/>
	</xsl:template>

	<!-- ===== Quotations ===== -->

	<xsl:template match="blockquote">
		<xsl:if test="@cite">
			<p>
				<xsl:text>&#10;&#9;&#9;&#9;[From </xsl:text>
				<a href="{@cite}">
					<xsl:value-of select="@cite"/>
				</a>
				<xsl:text>]&#10;&#9;&#9;</xsl:text>
			</p>
		</xsl:if>
		<xsl:apply-templates/>
	</xsl:template>

	<xsl:template match="q">
		<xsl:if test="@cite">
			<xsl:text>&#10;&#9;&#9;[From </xsl:text>
			<a href="{@cite}">
				<xsl:value-of select="@cite"/>
			</a>
			<xsl:text>]&#10;&#9;</xsl:text>
		</xsl:if>
		<xsl:text>"</xsl:text>
		<xsl:apply-templates/>
		<xsl:text>"</xsl:text>
	</xsl:template>

	<!-- ===== Form controls ===== -->

	<xsl:template match="select">
		<select>
			<xsl:attribute name="multiple">
				<xsl:choose>
					<xsl:when test="@multiple = 'true'">true</xsl:when>
					<xsl:otherwise>false</xsl:otherwise>
				</xsl:choose>
			</xsl:attribute>
			<xsl:copy-of select="@title | @name | @value | @iname | @ivalue | @tabindex"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</select>
	</xsl:template>

	<xsl:template match="optgroup">
		<optgroup>
			<xsl:if test="@label">
				<xsl:attribute name="title">
					<xsl:value-of select="@label"/>
				</xsl:attribute>
			</xsl:if>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</optgroup>
	</xsl:template>

	<xsl:template match="option">
		<option>
			<xsl:copy-of select="@value | @title | @onpick"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:if test="node()">
				<xsl:apply-templates/>
			</xsl:if>
		</option>
	</xsl:template>

	<!-- WML has text entry only: every other kind of input, or one without a type, is dropped. -->
	<xsl:template match="input">
		<xsl:if test="@type = 'text' or @type = 'password'">
			<input>
				<xsl:copy-of select="@name | @type | @value | @format | @emptyok | @size | @maxlength | @tabindex | @title"/>
				<xsl:call-template name="lang"/>
				<xsl:call-template name="coreattrs"/>
			</input>
		</xsl:if>
	</xsl:template>

	<!-- ===== Images ===== -->

	<!--
	  Also called by name from the link and table rules. The size comes from the style text the
	  browser writes ("WIDTH: 99px; HEIGHT: 63px") when there is one; the element's own width and
	  height count only without it.
	-->
	<xsl:template match="img" name="img">
		<img>
			<xsl:if test="@align = 'middle' or @align = 'top' or @align = 'bottom'">
				<xsl:copy-of select="@align"/>
			</xsl:if>
			<xsl:attribute name="alt">
				<xsl:choose>
					<xsl:when test="@alt">
						<xsl:value-of select="@alt"/>
					</xsl:when>
					<xsl:otherwise>
						<xsl:value-of select="@src"/>
					</xsl:otherwise>
				</xsl:choose>
			</xsl:attribute>
			<xsl:copy-of select="@src | @localsrc | @vspace | @hspace"/>
			<xsl:choose>
				<xsl:when test="@style">
					<xsl:attribute name="height">
						<xsl:value-of select="substring-before(substring-after(@style, 'HEIGHT: '), 'px')"/>
					</xsl:attribute>
					<xsl:attribute name="width">
						<xsl:value-of select="substring-before(substring-after(@style, 'WIDTH: '), 'px')"/>
					</xsl:attribute>
				</xsl:when>
				<xsl:otherwise>
					<xsl:copy-of select="@height | @width"/>
				</xsl:otherwise>
			</xsl:choose>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
		</img>
	</xsl:template>

	<!-- ===== Links ===== -->

	<!-- A simple link (nothing but text, br and img inside) keeps its content exactly. -->
	<xsl:template match="a[not(*[not(self::br or self::img)])]">
		<xsl:choose>
			<xsl:when test="@href">
				<a>
					<xsl:copy-of select="@href | @title"/>
					<xsl:call-template name="lang"/>
					<xsl:call-template name="coreattrs"/>
					<xsl:apply-templates mode="copy"/>
				</a>
			</xsl:when>
			<xsl:otherwise>
				<xsl:apply-templates mode="copy"/>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!--
	  Any other link vanishes; each piece of text, picture and line break inside it becomes a link
	  of its own to the same target, inside whatever formatting surrounds the piece.
	-->
	<xsl:template match="a//text()">
		<xsl:variable name="link" select="ancestor::a[1]"/>
		<xsl:choose>
			<xsl:when test="$link/@href">
				<a>
					<xsl:copy-of select="$link/@href | $link/@title"/>
					<xsl:value-of select="."/>
				</a>
			</xsl:when>
			<xsl:otherwise>
				<xsl:value-of select="."/>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<xsl:template match="a//img" priority="1">
		<xsl:variable name="link" select="ancestor::a[1]"/>
		<xsl:if test="$link/@href">
			<a>
				<xsl:copy-of select="$link/@href | $link/@title"/>
				<xsl:call-template name="img"/>
			</a>
		</xsl:if>
	</xsl:template>

	<xsl:template match="a//br" priority="1">
		<xsl:variable name="link" select="ancestor::a[1]"/>
		<xsl:if test="$link/@href">
			<a>
				<xsl:copy-of select="$link/@href | $link/@title"/>
				<br/>
			</a>
		</xsl:if>
	</xsl:template>

	<xsl:template match="anchor">
		<anchor>
			<xsl:copy-of select="@title"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:if test="node()">
				<xsl:apply-templates/>
			</xsl:if>
		</anchor>
	</xsl:template>

	<!-- ===== Tables ===== -->

	<!-- With tbody elements only they count: rows under the table, thead, tfoot and caption go. -->
	<xsl:template match="table">
		<table>
			<xsl:copy-of select="@title | @align"/>
			<xsl:choose>
				<xsl:when test="tbody">
					<xsl:apply-templates select="tbody" mode="table"/>
				</xsl:when>
				<xsl:otherwise>
					<xsl:apply-templates select="." mode="table"/>
				</xsl:otherwise>
			</xsl:choose>
		</table>
	</xsl:template>

	<!--
	  A table body: the column count is the largest number of td in any of its rows. Only the
	  first tbody of a table sets attributes; a later one finds rows already in the table, where an
	  attribute can no longer be added.
	-->
	<xsl:template match="table | tbody" mode="table">
		<xsl:if test="not(self::tbody) or not(preceding-sibling::tbody[1])">
			<xsl:attribute name="columns">
				<xsl:for-each select="tr">
					<xsl:sort select="count(td)" data-type="number" order="descending"/>
					<xsl:if test="position() = 1">
						<xsl:value-of select="count(td)"/>
					</xsl:if>
				</xsl:for-each>
			</xsl:attribute>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
		</xsl:if>
		<xsl:apply-templates/>
	</xsl:template>

	<xsl:template match="tr">
		<tr>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates mode="tr"/>
		</tr>
	</xsl:template>

	<!--
	  Rows are flattened: each text, picture, line break, link and anchor found at any depth in a
	  td becomes a cell of its own. Other elements only pass their content on, so the cells of a
	  nested table become further cells of this row.
	-->
	<xsl:template match="td//text()" mode="tr">
		<td>
			<xsl:value-of select="."/>
		</td>
	</xsl:template>

	<xsl:template match="td//img" mode="tr">
		<td>
			<xsl:call-template name="img"/>
		</td>
	</xsl:template>

	<xsl:template match="td//br" mode="tr">
		<td>
			<br/>
		</td>
	</xsl:template>

	<xsl:template match="td//anchor" mode="tr">
		<td>
			<xsl:apply-templates select="." mode="copy"/>
		</td>
	</xsl:template>

	<!-- A link in a cell keeps its target only; its text and pictures are not output. -->
	<xsl:template match="td//a" mode="tr">
		<td>
			<a>
				<xsl:copy-of select="@href | @title"/>
			</a>
		</td>
	</xsl:template>

	<!-- ===== Inline formatting and line breaks ===== -->

	<xsl:template match="em | strong | b | i | u | big | small">
		<xsl:element name="{local-name()}">
			<xsl:apply-templates/>
		</xsl:element>
	</xsl:template>

	<xsl:template match="dfn | cite | var | quote | acronym">
		<i>
			<xsl:apply-templates/>
		</i>
	</xsl:template>

	<xsl:template match="code | samp | bdo | kbd | tt">
		<em>
			<xsl:apply-templates/>
		</em>
	</xsl:template>

	<xsl:template match="abbr | strike">
		<u>
			<xsl:apply-templates/>
		</u>
	</xsl:template>

	<!-- Headings become inline text, large or small, with no paragraph or break of their own. -->
	<xsl:template match="h1 | h2 | h3 | sup">
		<big>
			<xsl:apply-templates/>
		</big>
	</xsl:template>

	<xsl:template match="h4 | h5 | h6 | sub">
		<small>
			<xsl:apply-templates/>
		</small>
	</xsl:template>

	<xsl:template match="br" name="br">
		<br/>
	</xsl:template>

</xsl:stylesheet>