<?xml version="1.0" encoding="UTF-8"?>
<!--
  HTML to WML: turns a page held as XML (a "body" root, lower-case HTML element and attribute
  names) into a skeleton WML deck of one card. What WML cannot express is flattened, not
  rebuilt; the output is not validated: what WML 1.1 does not allow and still reaches it is
  mended by the import after the next pass, which wraps loose content of the card (text
  included) into paragraphs.

  Where the page starts a new line (around a div, after a heading, a list inside a list), a
  "break" processing instruction marks the boundary; the import turns it into a line break
  where there is text on both sides of it, so blocks never run their words together and never
  leave empty lines. Lists inside lists, and paragraphs inside lists, continue the paragraph
  of the outer list instead of opening one of their own; each level of a list is indented by
  two no-break spaces. What a browser does not show (scripts, styles, the fallback text of
  frames) gives nothing.

  An element that leaves no WML element of its own (a div, a span, a named anchor) leaves its
  id where it stood, as an "id" processing instruction; the import gives the id to the element
  that starts there where a link leads to it, so that the links into the page keep their place.

  Rule selection relies on XSLT 1.0 default priorities: plain names rank 0; "ul/li", the
  simple-link pattern, "a//text()" and every "td//..." pattern rank 0.5; "a//img" and
  "a//br" are raised to 1 explicitly; "text()" and "comment()" rank -0.5; "*[@id] | a[@name]"
  is lowered to -1, below every other rule. Elements without a rule vanish and leave their
  processed content.

  Modes: the default one; "split" (the direct content of pre); "tr" (the content of a row,
  flattened into cells); "link" (the content of a link in a cell); "copy" (an exact copy of
  link or anchor content); "between-items" (what an ordered list holds besides items).

  No white space is stripped from the input: every text node is subject to the rules.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

	<xsl:output method="xml" omit-xml-declaration="yes" encoding="utf-8" indent="no"/>

	<!-- ===== Shared attribute groups ===== -->

	<!-- The language of the context element (xml:lang when it has one, otherwise lang), as WML's xml:lang. -->
	<xsl:template name="lang">
		<xsl:choose>
			<xsl:when test="@xml:lang">
				<xsl:copy-of select="@xml:lang"/>
			</xsl:when>
			<xsl:when test="@lang">
				<xsl:attribute name="xml:lang">
					<xsl:value-of select="@lang"/>
				</xsl:attribute>
			</xsl:when>
		</xsl:choose>
	</xsl:template>

	<!-- A block boundary: a line break where text stands on both sides of it. -->
	<xsl:template name="break">
		<xsl:processing-instruction name="break"/>
	</xsl:template>

	<!--
	  Where an element that leaves no WML element of its own stood, its id (or an anchor's name),
	  which links of the page may lead to, as an "id" processing instruction: the import gives the
	  id to the element that starts there. Applied to the attribute, so that an element without
	  one costs nothing. A target in a heading that gave the heading its id has left it there.
	-->
	<xsl:template match="@*" mode="id-mark">
		<xsl:if test="normalize-space() and not(parent::a and ../ancestor::*[self::h1 or self::h2 or self::h3 or self::h4 or self::h5 or self::h6][1][not(@id)][generate-id((.//a[not(@href)][@id or @name])[1]) = generate-id(current()/..)])">
			<xsl:processing-instruction name="id">
				<xsl:value-of select="."/>
			</xsl:processing-instruction>
		</xsl:if>
	</xsl:template>

	<!-- Two no-break spaces for each list the context item's list stands in. -->
	<xsl:template name="indent">
		<xsl:value-of select="substring('&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;&#160;', 1, 2 * (count(ancestor::ul | ancestor::ol) - 1))"/>
	</xsl:template>

	<!--
	  The line break that ends a list item, unless the item ends with a list of its own, whose
	  last item has ended the line already.
	-->
	<xsl:template name="item-end">
		<xsl:if test="not(node()[not(self::text()[not(normalize-space())] or self::comment())][last()][self::ul or self::ol or self::dl])">
			<br/>
		</xsl:if>
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

	<!-- Any other element with an id (an anchor, a name) vanishes and leaves its id and its content. -->
	<xsl:template match="*[@id] | a[@name]" priority="-1">
		<xsl:apply-templates select="@id | self::a/@name[not(../@id)]" mode="id-mark"/>
		<xsl:apply-templates/>
	</xsl:template>

	<xsl:template match="*[@id] | a[@name]" mode="tr" priority="-1">
		<xsl:apply-templates select="@id | self::a/@name[not(../@id)]" mode="id-mark"/>
		<xsl:apply-templates mode="tr"/>
	</xsl:template>

	<!-- What a browser does not show. -->
	<xsl:template match="script | style | template | title | iframe | noframes | noembed"/>

	<xsl:template match="text()">
		<xsl:value-of select="."/>
	</xsl:template>

	<xsl:template match="comment()">
		<xsl:call-template name="comment"/>
	</xsl:template>

	<!-- ===== Blocks and lists ===== -->

	<!--
	  Blocks without a rule of their own: their content, set apart from what stands around it.
	  An item outside a list is such a block too.
	-->
	<xsl:template match="div | center | form | fieldset | legend | section | article | aside | header | footer | nav | main | figure | figcaption | details | summary | hgroup | hr | noscript | li">
		<xsl:call-template name="break"/>
		<xsl:apply-templates select="@id" mode="id-mark"/>
		<xsl:apply-templates/>
		<xsl:call-template name="break"/>
	</xsl:template>

	<!--
	  A list opens a paragraph of its own, except inside a paragraph already (a list in a list,
	  a list in a list item's paragraph), where it goes on in that paragraph from a new line.
	-->
	<xsl:template match="ul | dl | address">
		<xsl:choose>
			<xsl:when test="ancestor::ul or ancestor::ol or ancestor::dl or ancestor::address or ancestor::p or ancestor::pre">
				<xsl:call-template name="break"/>
				<xsl:apply-templates select="@id" mode="id-mark"/>
				<xsl:apply-templates/>
				<xsl:call-template name="break"/>
			</xsl:when>
			<xsl:otherwise>
				<p align="left">
					<xsl:call-template name="lang"/>
					<xsl:call-template name="coreattrs"/>
					<xsl:apply-templates/>
				</p>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<xsl:template match="ul/li">
		<xsl:apply-templates select="@id" mode="id-mark"/>
		<xsl:call-template name="indent"/>
		<xsl:text>&#183;</xsl:text>
		<xsl:apply-templates/>
		<xsl:call-template name="item-end"/>
	</xsl:template>

	<!--
	  Items count from 1 whatever the list's start attribute says. An item's number is its
	  position among the items, taken while walking them: counting the items before each one, or
	  searching each node's nearest item, would take time in the square of the list's length.
	  Whatever else the list holds (text, stray elements, even the rest of a page when the list
	  was never closed) is processed in its place between the items.
	-->
	<xsl:template match="ol">
		<xsl:choose>
			<xsl:when test="ancestor::ul or ancestor::ol or ancestor::dl or ancestor::address or ancestor::p or ancestor::pre">
				<xsl:call-template name="break"/>
				<xsl:apply-templates select="@id" mode="id-mark"/>
				<xsl:call-template name="ol-items"/>
				<xsl:call-template name="break"/>
			</xsl:when>
			<xsl:otherwise>
				<p align="left">
					<xsl:call-template name="lang"/>
					<xsl:call-template name="coreattrs"/>
					<xsl:call-template name="ol-items"/>
				</p>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<xsl:template name="ol-items">
		<xsl:call-template name="between-items">
			<xsl:with-param name="from" select="node()[1][not(self::li)]"/>
			<xsl:with-param name="end" select="li[1]"/>
		</xsl:call-template>
		<xsl:for-each select="li">
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:call-template name="indent"/>
			<xsl:value-of select="position()"/>
			<xsl:text>. </xsl:text>
			<xsl:apply-templates/>
			<xsl:call-template name="item-end"/>
			<xsl:variable name="next" select="following-sibling::node()[1]"/>
			<xsl:call-template name="between-items">
				<xsl:with-param name="from" select="$next[not(self::li)]"/>
				<xsl:with-param name="end" select="following-sibling::li[1]"/>
			</xsl:call-template>
		</xsl:for-each>
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
		<xsl:apply-templates select="@id" mode="id-mark"/>
		<xsl:text>&#160;&#160;</xsl:text>
		<xsl:apply-templates/>
		<br/>
	</xsl:template>

	<!--
	  A paragraph of a page the import showed as its preview says "nowrap" in its style; inside
	  a paragraph already (a list's), a paragraph goes on in that one from a new line.
	-->
	<xsl:template match="p">
		<xsl:choose>
			<xsl:when test="ancestor::ul or ancestor::ol or ancestor::dl or ancestor::address or ancestor::p or ancestor::pre">
				<xsl:call-template name="break"/>
				<xsl:apply-templates select="@id" mode="id-mark"/>
				<xsl:apply-templates/>
				<xsl:call-template name="break"/>
			</xsl:when>
			<xsl:otherwise>
				<p>
					<xsl:copy-of select="@align"/>
					<xsl:copy-of select="@mode"/>
					<xsl:if test="not(@mode) and contains(translate(@style, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz'), 'white-space: nowrap')">
						<xsl:attribute name="mode">nowrap</xsl:attribute>
					</xsl:if>
					<xsl:call-template name="lang"/>
					<xsl:call-template name="coreattrs"/>
					<xsl:if test="node()">
						<xsl:apply-templates/>
					</xsl:if>
				</p>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!-- Preformatted text keeps its lines: each line feed of its own text becomes a br. -->
	<xsl:template match="pre">
		<xsl:choose>
			<xsl:when test="ancestor::ul or ancestor::ol or ancestor::dl or ancestor::address or ancestor::p or ancestor::pre">
				<xsl:call-template name="break"/>
				<xsl:apply-templates select="@id" mode="id-mark"/>
				<xsl:apply-templates mode="split"/>
				<xsl:call-template name="break"/>
			</xsl:when>
			<xsl:otherwise>
				<p align="left" mode="nowrap">
					<xsl:apply-templates select="@id" mode="id-mark"/>
					<xsl:apply-templates mode="split"/>
				</p>
			</xsl:otherwise>
		</xsl:choose>
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
		<xsl:call-template name="break"/>
		<xsl:apply-templates select="@id" mode="id-mark"/>
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
		<xsl:call-template name="break"/>
	</xsl:template>

	<xsl:template match="q">
		<xsl:apply-templates select="@id" mode="id-mark"/>
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

	<!-- As in HTML, a select that has the multiple attribute, whatever its value, takes several choices. -->
	<xsl:template match="select">
		<select>
			<xsl:attribute name="multiple">
				<xsl:choose>
					<xsl:when test="@multiple">true</xsl:when>
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

	<!--
	  WML has text entry only: every other kind of input is dropped. HTML reads the type without
	  regard to case, and an input without one is a text field.
	-->
	<xsl:template match="input">
		<xsl:variable name="type" select="translate(@type, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')"/>
		<xsl:if test="not(@type) or $type = 'text' or $type = 'password'">
			<input>
				<xsl:copy-of select="@name | @value | @format | @emptyok | @size | @maxlength | @tabindex | @title"/>
				<xsl:if test="@type">
					<xsl:attribute name="type">
						<xsl:value-of select="$type"/>
					</xsl:attribute>
				</xsl:if>
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
				<xsl:apply-templates select="@id | @name[not(../@id)]" mode="id-mark"/>
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

	<!--
	  A table's rows are those standing in it and in its head, bodies and foot, in page order;
	  its caption comes before it, on a line of its own. The column count is the largest number
	  of cells (td or th) in any row.
	-->
	<xsl:template match="table">
		<xsl:variable name="rows" select="tr | thead/tr | tbody/tr | tfoot/tr"/>
		<xsl:if test="caption">
			<xsl:call-template name="break"/>
			<xsl:apply-templates select="caption/node()"/>
			<xsl:call-template name="break"/>
		</xsl:if>
		<table>
			<xsl:copy-of select="@title | @align"/>
			<xsl:attribute name="columns">
				<xsl:for-each select="$rows">
					<xsl:sort select="count(td | th)" data-type="number" order="descending"/>
					<xsl:if test="position() = 1">
						<xsl:value-of select="count(td | th)"/>
					</xsl:if>
				</xsl:for-each>
			</xsl:attribute>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates select="$rows"/>
		</table>
	</xsl:template>

	<xsl:template match="tr">
		<tr>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates mode="tr"/>
		</tr>
	</xsl:template>

	<!--
	  Rows are flattened: each piece of text, picture, line break, link and anchor found at any
	  depth in a cell (td or th) becomes a cell of its own. Other elements only pass their content
	  on, so the cells of a nested table become further cells of this row. White space between
	  the pieces makes no cell.
	-->
	<xsl:template match="text()" mode="tr"/>

	<xsl:template match="td//text()[normalize-space()] | th//text()[normalize-space()]" mode="tr">
		<td>
			<!-- The first text of a heading takes the heading's id to its cell. -->
			<xsl:variable name="heading" select="ancestor::*[self::h1 or self::h2 or self::h3 or self::h4 or self::h5 or self::h6][1]"/>
			<xsl:if test="$heading and generate-id() = generate-id($heading/descendant::text()[normalize-space()][1])">
				<xsl:for-each select="$heading">
					<xsl:call-template name="heading-id"/>
				</xsl:for-each>
			</xsl:if>
			<xsl:value-of select="."/>
		</td>
	</xsl:template>

	<xsl:template match="td//img | th//img" mode="tr">
		<td>
			<xsl:call-template name="img"/>
		</td>
	</xsl:template>

	<xsl:template match="td//br | th//br" mode="tr">
		<td>
			<br/>
		</td>
	</xsl:template>

	<xsl:template match="td//anchor | th//anchor" mode="tr">
		<td>
			<xsl:apply-templates select="." mode="copy"/>
		</td>
	</xsl:template>

	<!-- A link in a cell keeps its target and its text and pictures; one without a target, only its content. -->
	<xsl:template match="td//a | th//a" mode="tr">
		<xsl:choose>
			<xsl:when test="@href">
				<td>
					<xsl:apply-templates select="@id | @name[not(../@id)]" mode="id-mark"/>
					<a>
						<xsl:copy-of select="@href | @title"/>
						<xsl:apply-templates mode="link"/>
					</a>
				</td>
			</xsl:when>
			<xsl:otherwise>
				<xsl:apply-templates select="@id | @name[not(../@id)]" mode="id-mark"/>
				<xsl:apply-templates mode="tr"/>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<!-- A link's content as WML lets a link hold it: text, pictures and line breaks. -->
	<xsl:template match="text()" mode="link">
		<xsl:value-of select="."/>
	</xsl:template>

	<xsl:template match="img" mode="link">
		<xsl:call-template name="img"/>
	</xsl:template>

	<xsl:template match="br" mode="link">
		<br/>
	</xsl:template>

	<xsl:template match="*" mode="link">
		<xsl:apply-templates mode="link"/>
	</xsl:template>

	<xsl:template match="comment()" mode="link"/>

	<!-- ===== Inline formatting and line breaks ===== -->

	<!-- Formatting keeps its language, id and class (an id may be a link's target). -->
	<xsl:template match="em | strong | b | i | u | big | small">
		<xsl:element name="{local-name()}">
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</xsl:element>
	</xsl:template>

	<xsl:template match="dfn | cite | var | quote | acronym">
		<i>
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:apply-templates/>
		</i>
	</xsl:template>

	<xsl:template match="code | samp | bdo | kbd | tt">
		<em>
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:apply-templates/>
		</em>
	</xsl:template>

	<xsl:template match="abbr | strike">
		<u>
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:apply-templates/>
		</u>
	</xsl:template>

	<!--
	  Headings become large or small text on a line of their own. They keep their language, id
	  and class: a heading's id is where a page's links to its sections lead. A heading without
	  one takes that of the first target in it ("<h2><a name="intro"></a>Intro</h2>").
	-->
	<xsl:template match="h1 | h2 | h3">
		<xsl:call-template name="break"/>
		<big>
			<xsl:call-template name="heading-attributes"/>
			<xsl:apply-templates/>
		</big>
		<xsl:call-template name="break"/>
	</xsl:template>

	<xsl:template match="h4 | h5 | h6">
		<xsl:call-template name="break"/>
		<small>
			<xsl:call-template name="heading-attributes"/>
			<xsl:apply-templates/>
		</small>
		<xsl:call-template name="break"/>
	</xsl:template>

	<xsl:template name="heading-attributes">
		<xsl:call-template name="lang"/>
		<xsl:copy-of select="@class"/>
		<xsl:call-template name="heading-id"/>
	</xsl:template>

	<!-- The heading's id, or that of the first target in it. -->
	<xsl:template name="heading-id">
		<xsl:choose>
			<xsl:when test="@id">
				<xsl:copy-of select="@id"/>
			</xsl:when>
			<xsl:otherwise>
				<xsl:for-each select="(.//a[not(@href)][@id or @name])[1]">
					<xsl:attribute name="id">
						<xsl:value-of select="@id | @name[not(../@id)]"/>
					</xsl:attribute>
				</xsl:for-each>
			</xsl:otherwise>
		</xsl:choose>
	</xsl:template>

	<xsl:template match="sup">
		<big>
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:apply-templates/>
		</big>
	</xsl:template>

	<xsl:template match="sub">
		<small>
			<xsl:apply-templates select="@id" mode="id-mark"/>
			<xsl:apply-templates/>
		</small>
	</xsl:template>

	<!-- A line break keeps its id: the import may have given it one where a target stood. -->
	<xsl:template match="br" name="br">
		<br>
			<xsl:call-template name="coreattrs"/>
		</br>
	</xsl:template>

</xsl:stylesheet>