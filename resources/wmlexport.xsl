<?xml version="1.0" encoding="UTF-8"?>
<!--
  WML to HTML: the deck becomes a body and each card a div. The output serves as an exported
  page and as the import wizard's preview, which the HTML import reads back, so the deck-level
  head survives as "whead" and "wmeta": a browser drops a head standing inside a body but keeps
  elements whose names it does not know.

  WML elements without a rule (access, do, go, prev, template, pre, the other task and event
  elements) vanish with their attributes; only the text inside them remains.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">

	<xsl:output method="xml" indent="yes"/>

	<!-- ===== Shared attribute groups ===== -->

	<!-- The language of the context element (xml:lang when it has one, otherwise lang), as HTML's lang. -->
	<xsl:template name="lang">
		<xsl:choose>
			<xsl:when test="@xml:lang">
				<xsl:attribute name="lang">
					<xsl:value-of select="@xml:lang"/>
				</xsl:attribute>
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

	<!-- ===== Deck, cards, head ===== -->

	<xsl:template match="wml">
		<body>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</body>
	</xsl:template>

	<xsl:template match="card">
		<div>
			<xsl:copy-of select="@title"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</div>
	</xsl:template>

	<xsl:template match="head[access or meta]">
		<whead>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</whead>
	</xsl:template>

	<!-- A head with neither access nor meta leaves nothing behind. -->
	<xsl:template match="head"/>

	<xsl:template match="meta">
		<wmeta>
			<xsl:copy-of select="@http-equiv | @name | @forua | @content | @scheme"/>
			<xsl:call-template name="coreattrs"/>
		</wmeta>
	</xsl:template>

	<!-- ===== Form controls ===== -->

	<xsl:template match="select">
		<select>
			<xsl:if test="@multiple = 'true'">
				<xsl:attribute name="multiple">multiple</xsl:attribute>
			</xsl:if>
			<xsl:copy-of select="@title | @name | @value | @iname | @ivalue | @tabindex"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</select>
	</xsl:template>

	<xsl:template match="optgroup">
		<optgroup label="{@title}">
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
			<xsl:apply-templates/>
		</option>
	</xsl:template>

	<xsl:template match="input">
		<input>
			<xsl:copy-of select="@name | @type | @value | @format | @emptyok | @size | @maxlength | @tabindex | @title"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
		</input>
	</xsl:template>

	<xsl:template match="fieldset">
		<fieldset>
			<xsl:copy-of select="@title"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:if test="node()">
				<xsl:apply-templates/>
			</xsl:if>
		</fieldset>
	</xsl:template>

	<!-- ===== Pictures and links ===== -->

	<xsl:template match="img">
		<img>
			<xsl:copy-of select="@alt | @src | @localsrc | @vspace | @hspace | @align | @height | @width"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
		</img>
	</xsl:template>

	<!-- The anchor keeps its text; the task that gave it a target vanishes. -->
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

	<xsl:template match="a">
		<a>
			<xsl:copy-of select="@title | @href"/>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</a>
	</xsl:template>

	<!-- ===== Tables ===== -->

	<xsl:template match="table">
		<table>
			<xsl:copy-of select="@title | @align | @columns | @bordercolor"/>
			<xsl:attribute name="border">1</xsl:attribute>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</table>
	</xsl:template>

	<xsl:template match="tr">
		<tr>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</tr>
	</xsl:template>

	<xsl:template match="td">
		<td>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:if test="node()">
				<xsl:apply-templates/>
			</xsl:if>
		</td>
	</xsl:template>

	<!-- ===== Text formatting, breaks, paragraphs ===== -->

	<!-- Formatting keeps its language, id and class: the id of a heading's large text is where
	     the page's links to that section lead. -->
	<xsl:template match="em | strong | b | i | u | big | small">
		<xsl:element name="{local-name()}">
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</xsl:element>
	</xsl:template>

	<xsl:template match="br">
		<br>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
		</br>
	</xsl:template>

	<!--
	  A paragraph keeps its alignment, and lines that must not wrap say so in its style, so that
	  the page reads as the deck does and the import reads both back from the preview.
	-->
	<xsl:template match="p">
		<p>
			<xsl:copy-of select="@align"/>
			<xsl:if test="@mode = 'nowrap'">
				<xsl:attribute name="style">white-space: nowrap</xsl:attribute>
			</xsl:if>
			<xsl:call-template name="lang"/>
			<xsl:call-template name="coreattrs"/>
			<xsl:apply-templates/>
		</p>
	</xsl:template>

	<xsl:template match="text()">
		<xsl:value-of select="."/>
	</xsl:template>

	<xsl:template match="comment()">
		<xsl:comment>
			<xsl:value-of select="."/>
		</xsl:comment>
	</xsl:template>

</xsl:stylesheet>